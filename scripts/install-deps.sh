#!/usr/bin/env bash
# Installs, from Debian 12's packages, what building, running and testing Tagmora needs.
# Only missing packages are installed; runs apt-get through sudo when not root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config git python3
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libicu-dev zlib1g-dev libcli11-dev qt6-translations-l10n
  libzip-dev libpugixml-dev python3-openpyxl
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libtag1-dev
  clang libclang-rt-14-dev
  xvfb xauth fonts-dejavu-core desktop-file-utils
  zsh fish
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
