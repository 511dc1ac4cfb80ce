#!/usr/bin/env bash
# Runs a command with the Windows build's Wine prefix ready and its server
# kept warm: creates the prefix once (with COM6 mapped to a fixed path of the
# build, which tests point at a pseudo-terminal), starts the Wine server,
# runs the command, then stops the server.
#
# Usage: scripts/wine_session.sh BUILD COMMAND...
set -euo pipefail
build=$(realpath "$1")
shift
export TVL_WINEPREFIX=$build/wine
export WINEPREFIX=$TVL_WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
# The server itself (Debian's wineserver script passes options of its own).
server=/usr/lib/wine/wineserver64
[ -x "$server" ] || server=/usr/lib/wine/wineserver32
if [ ! -f "$WINEPREFIX/.ready" ]; then
  echo "wine_session: creating the Wine prefix $WINEPREFIX"
  "${TVL_WINE_LOADER:-wine}" wineboot -i >/dev/null 2>&1 || true
  "${TVL_WINE_LOADER:-wine}" reg add 'HKLM\Software\Wine\Ports' /v COM6 /t REG_SZ /d "$build/com6" /f >/dev/null 2>&1
  "$server" -w
  touch "$WINEPREFIX/.ready"
fi
"$server" -p || true  # (already running: kept)
trap '"$server" -k >/dev/null 2>&1 || true' EXIT
# Wine's own background programs (services, devices) start with the first
# program and keep its output open: started here, they hold /dev/null, not
# the pipe a test's output is read from.
"${TVL_WINE_LOADER:-wine}" wineboot </dev/null >/dev/null 2>&1 || true
"$@"
