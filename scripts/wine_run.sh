#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in the build's own Wine prefix
# (TVL_WINEPREFIX, else build-windows/wine beside this script's folder), with
# the loader TVL_WINE_LOADER (default wine). The tests of the Windows build run
# through it with --unix-lines: their output's "\r\n" become "\n", as the
# test discovery reads it.
#
# Usage: scripts/wine_run.sh [--unix-lines] PROGRAM.exe ARGUMENTS...
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${TVL_WINEPREFIX:-$here/build-windows/wine}
export WINEDEBUG=-all
# No prompt to install Mono or Gecko; no window.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
loader=${TVL_WINE_LOADER:-wine}
if [ "${1:-}" = --unix-lines ]; then
  shift
  "$loader" "$@" | tr -d '\r'
  exit "${PIPESTATUS[0]}"
fi
exec "$loader" "$@"
