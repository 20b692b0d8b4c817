#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need (as root, with apt-get).
# Does nothing when they are all present.
set -euo pipefail

packages=(
    build-essential cmake pkg-config ninja-build
    qt6-base-dev qt6-base-dev-tools qt6-l10n-tools qt6-tools-dev qt6-translations-l10n libgl1-mesa-dev qt6-svg-dev libqt6svg6
    libopencc-dev opencc libuchardet-dev libicu-dev libcli11-dev libgtest-dev librapidcheck-dev libzip-dev epubcheck
    fonts-noto-cjk xvfb xauth
    clang libclang-rt-14-dev
    dpkg-dev file lintian desktop-file-utils appstream librsvg2-bin bash-completion
)

exec "$(dirname "$0")/install-packages.sh" "${packages[@]}"
