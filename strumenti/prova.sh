#!/usr/bin/env bash
# Builds Custodex with warnings as errors and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash strumenti/prepara.sh
cmake -S . -B build/prove -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCUSTODEX_WERROR=ON >/dev/null
cmake --build build/prove -j"$(nproc)"
ctest --test-dir build/prove --output-on-failure -j"$(nproc)"
bash strumenti/prova_pacchetto.sh
bash strumenti/prova_sanitizzatori.sh
bash strumenti/prova_fuzz.sh
# Reached only when every step passed (set -e): the test programs of both builds, the two fuzz
# runs and the package check.
conta() { ctest --test-dir "$1" -N | awk '/Total Tests:/ {print $3}'; }
echo "custodex: $(($(conta build/prove) + $(conta build/sanitizzatori) + 3)) passed, 0 failed"
