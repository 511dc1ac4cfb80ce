#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only
# when one is missing. The package lists are refreshed once, before the first
# install, since a fresh machine has none.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libpng-dev zlib1g-dev libfreetype-dev fonts-dejavu-core
  nlohmann-json3-dev libcurl4-openssl-dev libssl-dev libsqlite3-dev clang-format
  python3 python3-pyftpdlib python3-openssl openssl
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
