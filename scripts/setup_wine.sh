#!/usr/bin/env bash
# Installs Wine with its 32-bit half (wine32:i386), when missing, for the tests
# of the Windows build.
set -euo pipefail
if command -v wine >/dev/null && dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "ok installed"; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
echo "setup_wine: installing wine and wine32:i386"
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq || echo "setup_wine: some package lists could not be refreshed; trying with what is there" >&2
if ! $SUDO apt-get install -y -qq --no-install-recommends wine wine32:i386; then
  echo "setup_wine: Wine could not be installed from the configured archive (see apt's message above)" >&2
  exit 1
fi
