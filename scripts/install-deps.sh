#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need (as root, with apt-get).
# Does nothing when they are all present.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ninja-build
    qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-svg-dev libqt6svg6
    libopencc-dev opencc libuchardet-dev libicu-dev libcli11-dev libgtest-dev
    fonts-noto-cjk xvfb xauth
    clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}; run this script as root (or install them with apt-get)." >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
