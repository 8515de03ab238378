#pragma once

#include <QtGlobal>
#include <functional>

#if defined(__SANITIZE_ADDRESS__)
#define CON_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CON_ASAN 1
#endif
#endif

namespace custodex::copione {

// Runs `corpo` in a child process, for what could end or freeze the whole test program (limits
// of the process, running out of memory); true when the child ended of itself, within
// `secondi`, with no check failed.
bool nelFiglio(const std::function<void()>& corpo, unsigned secondi = 120);

// The process's address space in use, in bytes: the base for a memory limit a little above it.
qint64 memoriaVirtuale();

}  // namespace custodex::copione
