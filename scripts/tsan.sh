#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the core tests with ThreadSanitizer and runs the ones that exercise the audio
# worker thread (the audio device service on the simulated server) and the preferences'
# concurrent writers.
# Usage: scripts/tsan.sh [build-dir]   (default: build-tsan next to this script's tree)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$root/build-tsan"}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQUIETLANE_SANITIZE=thread -DQUIETLANE_BUILD_UI=OFF >/dev/null
cmake --build "$build" -j2 --target quietlane_core_tests

export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export XDG_CONFIG_HOME="$build/xdg-config"
tests="$build/tests/quietlane_core_tests"
filter='ServiceTest*:PreferencesTest.Concurrent*'

# Kernels with large mmap randomisation break TSan's fixed memory layout; running without
# address randomisation avoids that where setarch allows it.
if setarch "$(uname -m)" -R true 2>/dev/null; then
    exec setarch "$(uname -m)" -R "$tests" --gtest_filter="$filter"
fi
exec "$tests" --gtest_filter="$filter"
