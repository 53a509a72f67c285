#!/usr/bin/env bash
# Builds the benchmarks without sanitizers and prints their figures. Each benchmark starts
# and stops the private sound servers and X desktop it needs. Run it on an idle machine:
# the figures are compared with a baseline measured in the same run, but noise still shows.
set -euo pipefail
cd "$(dirname "$0")/.."
leftovers_what="the benchmarks"
source scripts/leftovers.sh

bash scripts/setup.sh
# No -Werror here: GCC 12's optimiser reports false -Wrestrict positives in std::string code
# at -O3; the Debug test build keeps warnings fatal.
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUIETLANE_WERROR=OFF \
    -DQUIETLANE_BUILD_UI=ON -DQUIETLANE_BUILD_TESTS=ON -DQUIETLANE_SANITIZE= >/dev/null
cmake --build build-bench -j"$(nproc)" --target quietlane quietlane_pulse_bench \
    quietlane_service_bench quietlane_cue_bench quietlane_shortcut_bench quietlane_portal_bench \
    quietlane_startup_bench quietlane_control_bench \
    quietlane_e2e_bench quietlane_e2e_floor quietlane_reorder_bench \
    >build-bench/build.log 2>&1 || { tail -n 30 build-bench/build.log; exit 1; }

bin=build-bench/bench
for server in pulseaudio pipewire; do
    echo "== sound server round trips ($server)"
    "$bin/quietlane_pulse_bench" "$server"
    echo
done
echo "== back-to-back alternating writes"
"$bin/quietlane_reorder_bench"
echo
echo "== mute through the microphone controller"
"$bin/quietlane_service_bench"
echo
echo "== sound cue next to the mute"
"$bin/quietlane_cue_bench"
echo
echo "== global shortcut"
"$bin/quietlane_shortcut_bench"
echo
echo "== global shortcut: desktop portal next to X11"
dbus-run-session --config-file=tests/integration/desktops/private-bus.conf -- \
    "$bin/quietlane_portal_bench"
echo
echo "== global shortcut end to end, against the floor"
"$bin/quietlane_e2e_bench"
echo
echo "== start-up, idle memory and CPU"
"$bin/quietlane_startup_bench"
echo
echo "== command line and D-Bus"
# A private session bus for the program's D-Bus interface, ended with the benchmark.
dbus-run-session --config-file=tests/integration/desktops/private-bus.conf -- \
    "$bin/quietlane_control_bench"
