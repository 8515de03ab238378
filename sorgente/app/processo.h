#pragma once

namespace custodex {

// What the running program asks of the system before it opens any window:
// - a write past the file-size limit fails with an error instead of ending the process, so that
//   a save reports it and the list in memory survives;
// - no core dump, and no other process of the same user may read this one's memory: a crash
//   must not leave the passwords on disk.
void preparaProcesso();
// The allocator's settings alone, which preparaProcesso makes too.
void preparaMemoria();

}  // namespace custodex
