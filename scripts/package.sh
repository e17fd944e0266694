#!/usr/bin/env bash
# Sets up this machine, builds a release tree and makes the Debian package; prints its path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" package
dir=$root/build-package
"$root/scripts/build.sh" "$dir" -DONDRIX_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr
# Last run's package would otherwise still match ondrix_*.deb after a version change.
rm -f "$dir"/ondrix_*.deb
(cd "$dir" && cpack -G DEB >"$dir/cpack.log" 2>&1) || { cat "$dir/cpack.log"; exit 1; }
ls "$dir"/ondrix_*.deb
