#!/usr/bin/env bash
# Builds the sound server benchmark without sanitizers and runs it on a private
# PulseAudio and a private PipeWire (each started and stopped by the benchmark itself).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUIETLANE_BUILD_UI=OFF >/dev/null
cmake --build build-bench --target quietlane_pulse_bench
for server in pulseaudio pipewire; do
    build-bench/bench/quietlane_pulse_bench "$server"
    echo
done
