#!/usr/bin/env bash
# Checks an installed tree (a `cmake --install` prefix, or an unpacked .deb's /usr): the
# launcher and the programs it starts, the desktop entry, icons, AppStream data, D-Bus
# interface, manual page and translation are there, carry the one application id, and
# validate; no font files are copied in.
# Usage: check-install.sh PREFIX
set -euo pipefail

prefix=${1:?usage: check-install.sh PREFIX}
id=com.quietlane.Quietlane
failures=0

fail() {
  echo "check-install: $*" >&2
  failures=$((failures + 1))
}

expect_file() {
  [ -f "$prefix/$1" ] || fail "missing $1"
}

[ -x "$prefix/bin/quietlane" ] || fail "missing bin/quietlane"
# The launcher starts these from the libexec directory the build chose (Debian's is lib/).
for helper in quietlane-app quietlane-direct; do
  find "$prefix" -path "*/quietlane/$helper" -type f -perm -u+x | grep -q . ||
    fail "missing the program $helper beside the launcher"
done
expect_file "share/dbus-1/interfaces/$id.xml"
expect_file "share/applications/$id.desktop"
expect_file "share/metainfo/$id.metainfo.xml"
expect_file "share/icons/hicolor/scalable/apps/$id.svg"
expect_file "share/icons/hicolor/symbolic/apps/$id-symbolic.svg"
for size in 16 22 24 32 48 64 128 256; do
  expect_file "share/icons/hicolor/${size}x${size}/apps/$id.png"
done
[ -f "$prefix/share/man/man1/quietlane.1" ] || [ -f "$prefix/share/man/man1/quietlane.1.gz" ] ||
  fail "missing share/man/man1/quietlane.1"
expect_file "share/quietlane/translations/quietlane_en.qm"

# Desktops, portals and software centres match all of these by the application id.
while IFS= read -r -d '' file; do
  case "$(basename "$file")" in
    "$id".* | "$id"-symbolic.*) ;;
    *) fail "not named by the application id: ${file#"$prefix"/}" ;;
  esac
done < <(find "$prefix/share/applications" "$prefix/share/metainfo" "$prefix/share/icons" \
  "$prefix/share/dbus-1" -type f -print0 2>/dev/null)

# The interface faces come from the system (fonts-inter), never from a copy of ours.
if find "$prefix" \( -name '*.otf' -o -name '*.ttf' \) | grep -q .; then
  fail "font files are installed: $(find "$prefix" \( -name '*.otf' -o -name '*.ttf' \) | head -1)"
fi

if [ -f "$prefix/share/applications/$id.desktop" ]; then
  desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "the desktop entry is invalid"
  grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" || fail "the desktop entry's icon is not $id"
fi
if [ -f "$prefix/share/metainfo/$id.metainfo.xml" ]; then
  appstreamcli validate --no-net --no-color "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null ||
    fail "the AppStream data is invalid: appstreamcli validate --no-net $prefix/share/metainfo/$id.metainfo.xml"
fi

if [ "$failures" -gt 0 ]; then
  echo "check-install: $failures problem(s) in $prefix" >&2
  exit 1
fi
echo "check-install: $prefix is complete"
