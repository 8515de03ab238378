#pragma once

#include <cstddef>

namespace custodex {

// Asks the system to back a large buffer that is about to be filled with huge pages.
//
// A list text of a hundred thousand entries is close to two hundred MiB, and on a virtual
// machine the first touch of each fresh 4 KiB page costs more than writing the text into it:
// filling such a buffer took half a second here, against a few tens of milliseconds with 2 MiB
// pages. Only the whole 2 MiB pages inside the buffer are affected; smaller buffers, other
// systems and a refusal leave everything as it was.
void preferisciPagineGrandi(void* inizio, std::size_t byte);

}  // namespace custodex
