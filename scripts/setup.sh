#!/usr/bin/env bash
# Installs what Ondrix needs on Debian 12, and only what is missing. Safe to run again.
#   setup.sh           building and running
#   setup.sh package   also making the Debian package (dpkg-buildpackage, debhelper)
#   setup.sh test      also every test: the package checks (reprotest with diffoscope, faketime,
#                      disorderfs and the locale sources; blhc; lintian; autopkgtest, and what
#                      debian/tests needs: hardening-check from devscripts, gdb, the desktop
#                      validators), the desktop run, fuzzing
#   setup.sh bench     also the benchmarks' reference client
set -euo pipefail

packages=(g++ cmake make pkgconf qt6-base-dev libgl-dev fonts-liberation2)
# build-essential: dpkg-buildpackage checks for it before it builds anything.
package_tools=(build-essential dpkg-dev debhelper)
case ${1:-} in
"") ;;
package) packages+=("${package_tools[@]}") ;;
test)
    packages+=("${package_tools[@]}" reprotest diffoscope-minimal faketime disorderfs locales blhc
        lintian autopkgtest devscripts gdb desktop-file-utils appstream
        xvfb xauth xdotool
        poppler-utils clang clang-format libclang-rt-14-dev qt6-base-private-dev)
    ;;
bench) packages+=(whois) ;;
*)
    echo "usage: setup.sh [package|test|bench]" >&2
    exit 2
    ;;
esac

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
