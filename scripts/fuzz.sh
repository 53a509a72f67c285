#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS seconds
# (default 20). Exits non-zero when any target finds an input that crashes it; the input
# is kept under <build>/artifacts/<target>/ to reproduce with `<build>/fuzz/<target> FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}
compiler=${FUZZ_CXX:-clang++-14}
targets=(preferences_fuzzer deviceselection_fuzzer snapshots_fuzzer controlprotocol_fuzzer)

# Warnings are enforced by the gcc build; this one only looks for crashes.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$compiler" -DQUIETLANE_FUZZ=ON -DQUIETLANE_BUILD_UI=OFF \
    -DQUIETLANE_BUILD_TESTS=OFF -DQUIETLANE_WERROR=OFF -DQUIETLANE_SANITIZE= >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
    corpus="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$corpus" "$artifacts"
    echo "fuzzing $target for ${seconds}s"
    if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" "fuzz/seeds/$target" \
        2>"$build/$target.log"; then
        tail -n 40 "$build/$target.log" >&2
        failed+=("$target")
    else
        grep -E '^stat::number_of_executed_units' "$build/$target.log" || true
    fi
done

if ((${#failed[@]})); then
    echo "fuzzing found crashes in: ${failed[*]} (inputs in $build/artifacts/)" >&2
    exit 1
fi
echo "fuzzing: no crashes in ${targets[*]}"
