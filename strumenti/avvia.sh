#!/usr/bin/env bash
# Builds Custodex in Release and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash strumenti/prepara.sh
cmake -S . -B build/rilascio -DCMAKE_BUILD_TYPE=Release -DCUSTODEX_TESTS=OFF -DCUSTODEX_BENCH=OFF >/dev/null
cmake --build build/rilascio -j"$(nproc)"
exec ./build/rilascio/custodex "$@"
