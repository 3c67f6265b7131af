#!/usr/bin/env bash
# Installs the Debian packages the game needs to build, run and test, when they are missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libfontconfig-dev libpng-dev libmpg123-dev libfluidsynth-dev libenet-dev
  libminiupnpc-dev
  libgtest-dev googletest
  timgm6mb-soundfont fonts-ipafont-gothic fonts-dejavu-core espeak-ng
  clang libclang-rt-14-dev clang-format clang-tidy python3
  desktop-file-utils appstream shared-mime-info libglib2.0-bin
  gettext debhelper lintian
  # The network tests' small internet: namespaces, routers and a router that opens ports.
  iproute2 nftables miniupnpd-nftables
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
