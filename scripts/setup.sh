#!/usr/bin/env bash
# Installs what building, running and testing Ondrix needs on Debian 12, and only what is
# missing. Safe to run again. Sourced by start.sh and test.sh.
set -euo pipefail

packages=(
    g++ cmake make pkgconf
    qt6-base-dev qt6-qpa-plugins libgl-dev
    fonts-liberation2
    xvfb xauth xdotool poppler-utils whois
    clang clang-format libclang-rt-14-dev
    desktop-file-utils appstream dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done

if ((${#missing[@]})); then
    sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi
