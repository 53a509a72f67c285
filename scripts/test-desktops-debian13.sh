#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The global shortcut on real GNOME 48 and Plasma 6.3 Wayland sessions, run headless in a
# Debian 13 root on this Debian 12 machine, with real key presses. Makes (or checks) the
# root, builds the test configuration inside it (ccache there keeps repeat runs short),
# runs the unit tests there, then the real-session checks of
# tests/integration/desktops/debian13/realsession.py. Not part of the test command: the
# root alone takes about 9 minutes to make, the checks about 20.
# Usage: test-desktops-debian13.sh [realsession.py options, e.g. --desktops kde --holds 5]
#   QUIETLANE_DEB13_ROOT     where the root lives (default /srv/quietlane-deb13)
#   QUIETLANE_DEB13_TARGETS  what to build (default: the program and the unit tests; all)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${QUIETLANE_DEB13_ROOT:-/srv/quietlane-deb13}
targets=${QUIETLANE_DEB13_TARGETS:-quietlane quietlane_app quietlane_direct quietlane_core_tests}
rig=tests/integration/desktops/debian13
[ "$(id -u)" -eq 0 ] || { echo "test-desktops-debian13: run as root (it makes a Debian 13 root with debootstrap)" >&2; exit 1; }

bash "$rig/make-root.sh" "$root"
in_root() { RIG_BIND="$PWD:/src" "$rig/enter.sh" "$root" "$@"; }

# The build lives in the source tree (build-deb13/), its compiler cache in the root.
in_root env TARGETS="$targets" bash -euo pipefail -c '
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR=/src
  cmake -S /src -B /src/build-deb13 -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DQUIETLANE_SANITIZE="address;undefined" -DQUIETLANE_WERROR=ON >/dev/null
  time cmake --build /src/build-deb13 -j"$(nproc)" --target $TARGETS
  ccache --show-stats | grep -iE "hits|misses" || true
  cd /src/build-deb13
  LSAN_OPTIONS=suppressions=/src/tests/lsan.supp:print_suppressions=0 \
    ctest -L unit --output-on-failure -j"$(nproc)" --timeout 300'

in_root python3 -u /rig/realsession.py --build /src/build-deb13 "$@"
