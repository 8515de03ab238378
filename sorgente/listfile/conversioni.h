#pragma once

namespace custodex {

// Ends the reading of a value that has no form of its type (Errore 13).
[[noreturn]] void nonConvertibile();

}  // namespace custodex
