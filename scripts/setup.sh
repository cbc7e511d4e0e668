#!/usr/bin/env bash
# Installs the Debian packages Tessel needs when any is missing (apt-get as root, else sudo).
# Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(cmake g++ make qt6-base-dev libpng-dev libjpeg-dev zlib1g-dev libgtest-dev
          fonts-dejavu-core fonts-wqy-microhei fonts-noto-color-emoji pkg-config
          desktop-file-utils shared-mime-info)
if [ "${TESSEL_WITH_CLANG:-0}" = 1 ]; then packages+=(clang libclang-rt-14-dev); fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
if [ "$(id -u)" = 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
