#pragma once

namespace custodex {

// What the list-file commands keep between runs: how the list on screen stands to its file.
struct StatoFile {
  // Whether "Salva Lista" may write to the current file without asking for one.
  bool file_noto = false;
};

}  // namespace custodex
