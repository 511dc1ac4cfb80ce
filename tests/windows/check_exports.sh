#!/usr/bin/env bash
# Compares the export table of a built OrbiskPro.dll with the names of the
# library interface's tables (stationlib/api/*.def): `_Name_O@bytes`, each
# once, and nothing else.
#
# Usage: check_exports.sh DLL TABLES_DIR [OBJDUMP]
set -euo pipefail
dll=$1 tables=$2 objdump=${3:-i686-w64-mingw32-objdump}
expected=$(sed -n 's/^ORBISK_EXPORT(\([A-Za-z0-9_]*\), *\([0-9]*\),.*/_\1_O@\2/p' "$tables"/*.def | sort)
actual=$("$objdump" -p "$dll" |
  awk '/\[Ordinal\/Name Pointer\] Table/ {on=1; next} on && /^\t\[/ {print $NF; next} on && !NF {on=0}' | sort)
count=$(printf '%s\n' "$expected" | grep -c .)
if [ "$expected" != "$actual" ]; then
  diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | head -20 >&2
  echo "check_exports: the export table of $dll differs from the interface ($count names)" >&2
  exit 1
fi
echo "check_exports: $count names, exactly the interface's"
