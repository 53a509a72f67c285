#!/usr/bin/env bash
# Builds the sound server benchmark without sanitizers and runs it on a private
# PulseAudio and a private PipeWire (each started and stopped by the benchmark itself).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
# No -Werror here: GCC 12's optimiser reports false -Wrestrict positives in std::string code
# at -O3; the Debug test build keeps warnings fatal.
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUIETLANE_BUILD_UI=OFF \
    -DQUIETLANE_WERROR=OFF >/dev/null
cmake --build build-bench --target quietlane_pulse_bench >build-bench/build.log 2>&1 ||
    { tail -n 30 build-bench/build.log; exit 1; }
for server in pulseaudio pipewire; do
    build-bench/bench/quietlane_pulse_bench "$server"
    echo
done
