#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages that building, running and testing Vantrel need.
# As root it installs what is missing; otherwise it names the command to run.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-base-private-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev
  xvfb xauth x11-utils
  dosfstools fusefat mtools exfatprogs exfat-fuse stress-ng
  qemu-system-x86 linux-image-amd64 busybox-static cpio dmsetup
  desktop-file-utils appstream
  dpkg-dev fakeroot file lintian man-db
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Vantrel needs these Debian packages, which are not installed:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
