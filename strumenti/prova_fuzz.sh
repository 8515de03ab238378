#!/usr/bin/env bash
# A short run of each fuzz target from its seeds (30 s each unless given another number of
# seconds); a crash fails the run and leaves its input under build/sanitizzatori/fuzz-*.
set -euo pipefail
cd "$(dirname "$0")/.."
secondi=${1:-30}
cartella=build/sanitizzatori
cmake -S . -B "$cartella" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCUSTODEX_WERROR=ON -DCUSTODEX_SANITIZZATORI=ON -DCUSTODEX_FUZZ=ON -DCUSTODEX_BENCH=OFF >/dev/null
cmake --build "$cartella" -j"$(nproc)" --target fuzz_carica_albero fuzz_decripta
for bersaglio in fuzz_carica_albero fuzz_decripta; do
  # New inputs go to a scratch corpus; the seeds in the tree stay as they are.
  corpo="$cartella/corpo-$bersaglio"
  mkdir -p "$corpo"
  # The fuzzer's own chatter goes to a log; a failure shows its end, success its final figures.
  registro="$cartella/$bersaglio.log"
  if ! "$cartella/$bersaglio" -max_total_time="$secondi" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$cartella/fuzz-$bersaglio-" "$corpo" "fuzz/semi/$bersaglio" \
    >"$registro" 2>&1; then
    tail -n 60 "$registro"
    echo "$bersaglio: failed (the whole output is in $registro)"
    exit 1
  fi
  echo "$bersaglio: $(grep -E '^Done [0-9]+ runs' "$registro")"
done
