#!/usr/bin/env bash
# The whole suite once more, built with clang under AddressSanitizer and UndefinedBehaviorSanitizer:
# the first report ends the test that made it, and the run fails. The same build holds the fuzz
# targets (strumenti/prova_fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
cartella=build/sanitizzatori
cmake -S . -B "$cartella" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCUSTODEX_WERROR=ON -DCUSTODEX_SANITIZZATORI=ON -DCUSTODEX_FUZZ=ON -DCUSTODEX_BENCH=OFF >/dev/null
cmake --build "$cartella" -j"$(nproc)"
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir "$cartella" --output-on-failure -j"$(nproc)"
