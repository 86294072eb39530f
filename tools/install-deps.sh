#!/usr/bin/env bash
# Installs the Debian 12 packages Murkmoot needs that are not installed yet.
# Usage: tools/install-deps.sh [--tests] [--package]
#   --tests adds what the test suite needs, --package what tools/package-check.sh needs
set -euo pipefail
packages=(g++ cmake make pkg-config libsdl2-dev libsdl2-image-dev libsdl2-ttf-dev libsdl2-mixer-dev
          nlohmann-json3-dev nettle-dev)
for option in "$@"; do
  case "$option" in
    --tests) packages+=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xdotool x11-xserver-utils
                        imagemagick time util-linux e2fsprogs) ;;
    --package) packages+=(dpkg-dev lintian desktop-file-utils appstream xvfb xauth) ;;
    *) echo "unknown option $option" >&2; exit 2 ;;
  esac
done
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  sudo=""
  [[ $(id -u) -eq 0 ]] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi
