#!/usr/bin/env bash
# Sets up, builds and runs every test: fuzzing and the thread-sanitizer build of the
# concurrency tests first, then one ctest run (unit, UI and integration tests) whose
# summary closes the output.
set -euo pipefail
cd "$(dirname "$0")/.."
# Fails the run when a test leaves a server behind, and ends what it left.
leftovers_what="the tests"
source scripts/leftovers.sh

bash scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUIETLANE_SANITIZE="address;undefined" \
    -DQUIETLANE_WERROR=ON >/dev/null
cmake --build build-test -j"$jobs"

bash scripts/fuzz.sh build-fuzz
bash scripts/tsan.sh build-tsan

cd build-test
export LSAN_OPTIONS="suppressions=$PWD/../tests/lsan.supp:print_suppressions=0"
ctest --output-on-failure -j"$jobs" --timeout 600
