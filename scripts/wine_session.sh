#!/usr/bin/env bash
# Runs a command with the Windows build's Wine prefix ready and its server
# kept warm: creates the prefix once (with COM10 to COM17 mapped to fixed
# paths of the build, com10 to com17, which tests point at the simulator's
# pseudo-terminals), starts the Wine server, runs the command, then stops the
# server.
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
if [ ! -f "$WINEPREFIX/.ready-com10" ]; then
  echo "wine_session: creating the Wine prefix $WINEPREFIX"
  "${TVL_WINE_LOADER:-wine}" wineboot -i >/dev/null 2>&1 || true
  for n in $(seq 10 17); do
    "${TVL_WINE_LOADER:-wine}" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ \
      /d "$build/com$n" /f >/dev/null 2>&1
  done
  "$server" -w
  touch "$WINEPREFIX/.ready-com10"
fi
# In the foreground of this script, not as a daemon: a daemon leads a session of
# its own, and the first pseudo-terminal it opens for a COM port becomes its
# controlling terminal, which hangs it up when the simulator closes the other end.
"$server" -k >/dev/null 2>&1 || true  # (one left by an interrupted run)
"$server" -f -p </dev/null >/dev/null 2>&1 &
trap '"$server" -k >/dev/null 2>&1 || true; wait' EXIT
# Wine's own background programs (services, devices) start with the first
# program and keep its output open: started here, they hold /dev/null, not
# the pipe a test's output is read from.
"${TVL_WINE_LOADER:-wine}" wineboot </dev/null >/dev/null 2>&1 || true
"$@"
