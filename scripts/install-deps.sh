#!/usr/bin/env bash
# Installs every package the tool needs to build, run and test, from Debian's archive.
# Idempotent: when everything is present it prints nothing and returns at once.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev libgl-dev
  libftdi1-dev libusb-1.0-0-dev
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev librapidcheck-dev
  xvfb xauth xdotool imagemagick fonts-dejavu-core poppler-utils
  dpkg-dev file lintian desktop-file-utils appstream
  devscripts xdg-utils shared-mime-info x11-utils man-db libglib2.0-bin libfile-mimeinfo-perl
  bash-completion
  clang libclang-rt-14-dev clang-format
  locales
  g++-mingw-w64-x86-64-posix googletest wine64 fonts-wine wixl msitools icoutils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
