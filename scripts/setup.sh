#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the local service need.
# Only what is missing is installed; the list of what gets installed is printed first.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  libssl-dev openssl ca-certificates
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libgif-dev
  libfreetype-dev libfontconfig-dev fonts-nanum
  libsdl2-dev libpixman-1-dev
  nlohmann-json3-dev
  clang libclang-rt-14-dev
  iproute2
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is already installed."
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
