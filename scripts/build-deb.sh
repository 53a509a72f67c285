#!/usr/bin/env bash
# Builds the Debian package from the working tree, then checks it: lintian shows no
# errors, and the unpacked package holds every file the program installs, under the one
# application id. The .deb lands in build-deb/.
# Takes a few minutes (a full Release build), so the test command leaves it out; it checks
# the same installed tree from its own build instead.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
packaging=(debhelper dpkg-dev fakeroot lintian)
missing=()
for p in "${packaging[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

version=$(dpkg-parsechangelog -S Version)
arch=$(dpkg-architecture -qDEB_HOST_ARCH)
deb="quietlane_${version}_${arch}.deb"

# dpkg-buildpackage writes next to the source tree and leaves build files inside it: build
# from a copy of the tracked and new files, never from the working tree itself. The copy
# keeps one path from run to run, so that ccache serves an unchanged file again.
work=$PWD/build-deb/work
rm -rf "$work"
mkdir -p "$work/quietlane-$version"
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do if [ -e "$file" ]; then printf '%s\0' "$file"; fi; done |
  tar --null -T - -cf - | tar -xf - -C "$work/quietlane-$version"

if command -v ccache >/dev/null; then export CMAKE_CXX_COMPILER_LAUNCHER=ccache; fi
(cd "$work/quietlane-$version" &&
  DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -us -uc -b >"$work/build.log" 2>&1) || {
  tail -50 "$work/build.log" >&2
  echo "build-deb: dpkg-buildpackage failed" >&2
  exit 1
}

cp "$work/$deb" build-deb/
echo "build-deb: built build-deb/$deb"

# Warnings kept on purpose are listed in the README; errors fail the build.
lintian --fail-on error "build-deb/$deb"

mkdir "$work/root"
dpkg-deb -x "build-deb/$deb" "$work/root"
bash scripts/check-install.sh "$work/root/usr"
rm -rf "$work"
