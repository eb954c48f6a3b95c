#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Vantoro needs.
# Only missing packages are installed; a machine that has them all is left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  libavformat-dev libavcodec-dev libavutil-dev libavfilter-dev libswscale-dev libswresample-dev
  libavcodec-extra
  libsdl2-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n qt6-l10n-tools
  libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev
  libcurl4-openssl-dev libglib2.0-bin
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth fonts-wqy-microhei xdg-utils imagemagick parallel
  locales
  scdoc librsvg2-bin file dpkg-dev desktop-file-utils appstream bash-completion
)

bash "$(dirname "$0")/install-missing.sh" "${packages[@]}"

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

# The size texts follow the locale's decimal separator; a test checks that with
# a German locale, which a minimal system does not have compiled.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Compiling the de_DE.UTF-8 locale"
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
