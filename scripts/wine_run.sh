#!/usr/bin/env bash
# Runs a Windows program under Wine, quietly, in the build's own Wine prefix
# (TVL_WINEPREFIX, else build-windows/wine beside this script's folder), with
# the loader TVL_WINE_LOADER (default wine). The tests of the Windows build run
# through it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX=${TVL_WINEPREFIX:-$here/build-windows/wine}
export WINEDEBUG=-all
# No prompt to install Mono or Gecko; no window.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
exec "${TVL_WINE_LOADER:-wine}" "$@"
