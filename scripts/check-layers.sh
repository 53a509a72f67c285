#!/usr/bin/env bash
# Fails when a folder of src/ includes from a folder at its own layer or above it, which
# is what every loop between folders needs. The layers are read from the architecture
# table of the README, the one place where they are written down.
# Usage: check-layers.sh [SRC_DIR] [README]
set -euo pipefail
cd "$(dirname "$0")/.."
src=${1:-src}
readme=${2:-README.md}

declare -A layer
while IFS='|' read -r _ number folder _; do
  number=${number//[[:space:]]/}
  folder=${folder//[[:space:]\`\/]/}
  [[ $number =~ ^[0-9]+$ && -n $folder ]] && layer[$folder]=$number
done < <(grep -E '^\| *[0-9]+ *\| *`[a-z0-9_]+/` *\|' "$readme")

if [ ${#layer[@]} -eq 0 ]; then
  echo "check-layers: no layer table found in $readme" >&2
  exit 1
fi

status=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [ -z "${layer[$folder]:-}" ]; then
    echo "check-layers: src/$folder/ is not in the architecture table of $readme" >&2
    status=1
  fi
done
[ $status -eq 0 ] || exit 1

while IFS=: read -r file included; do
  from=${file#"$src"/}
  from=${from%%/*}
  to=${included#*\"}
  to=${to%%/*}
  [ "$from" = "$to" ] && continue
  [ -n "${layer[$to]:-}" ] || continue # a header of the folder's own, e.g. "pulse/..."
  if [ "${layer[$from]}" -ge "${layer[$to]}" ]; then
    echo "check-layers: $file includes ${included#*\"} but $from/ (layer ${layer[$from]})" \
      "may only use folders below it (${to}/ is layer ${layer[$to]})" >&2
    status=1
  fi
done < <(grep -rEo '^#include "[a-z0-9_]+/[^"]*"' --include='*.h' --include='*.cpp' "$src" |
  sed 's/#include //')

exit $status
