#!/usr/bin/env bash
# What a packager or a user who skips the scripts runs first: a plain Release configure
# with every option at its default. It must configure, keep warnings as warnings, and
# compile the file where GCC 12's optimizer once reported a false -Wrestrict without any
# warning at all. One file keeps the check to seconds.
# Usage: check-plain-build.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:?usage: check-plain-build.sh BUILD_DIR}
rm -rf "$build"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >"$build.configure.log" 2>&1 || {
  cat "$build.configure.log" >&2
  echo "check-plain-build: the plain configure failed" >&2
  exit 1
}
if ! grep -q '^QUIETLANE_WERROR:BOOL=OFF$' "$build/CMakeCache.txt"; then
  echo "check-plain-build: warnings are errors by default; only the test build may ask for that" >&2
  exit 1
fi
output=$(cmake --build "$build" --target src/base/preferences.cpp.o 2>&1) || {
  echo "$output" >&2
  echo "check-plain-build: src/base/preferences.cpp does not compile in a Release build" >&2
  exit 1
}
if grep -q 'warning:' <<<"$output"; then
  echo "$output" >&2
  echo "check-plain-build: src/base/preferences.cpp warns in a Release build" >&2
  exit 1
fi
rm -rf "$build" "$build.configure.log"
echo "check-plain-build: the plain Release configure and compile pass"
