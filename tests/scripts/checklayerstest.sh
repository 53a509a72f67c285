#!/usr/bin/env bash
# The layer check passes on the tree as it is, and fails on a loop between two folders,
# on an upward include and on a folder the table does not list.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
check=$root/scripts/check-layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

bash "$check" "$root/src" "$root/README.md"

cat > "$work/README.md" <<'TABLE'
| layer | folder | holds |
|---|---|---|
| 1 | `top/` | the roof |
| 2 | `ground/` | the floor |
TABLE
mkdir -p "$work/src/top" "$work/src/ground"
echo '#include "ground/floor.h"' > "$work/src/top/roof.h"
echo '#pragma once' > "$work/src/ground/floor.h"
bash "$check" "$work/src" "$work/README.md"

expect_failure() {
  if bash "$check" "$work/src" "$work/README.md" 2>"$work/err"; then
    echo "FAIL: $1 passed the check" >&2
    exit 1
  fi
  grep -q "$2" "$work/err" || { echo "FAIL: $1: unexpected message:" >&2; cat "$work/err" >&2; exit 1; }
}

echo '#include "top/roof.h"' > "$work/src/ground/floor.h"
expect_failure "a loop" "src/ground/floor.h includes top/roof.h"

echo '#pragma once' > "$work/src/ground/floor.h"
mkdir -p "$work/src/attic"
expect_failure "an unlisted folder" "src/attic/ is not in the architecture table"
echo "check-layers: all cases behave"
