#!/usr/bin/env bash
# Sets up this machine and makes the Debian packages the way Debian builds its own: dpkg-buildpackage
# and debhelper, with the flags of dpkg-buildflags. Prints the paths of the package and of its
# debug symbols.
#
# dpkg-buildpackage builds inside the source tree and leaves the packages beside it, so it works on a
# copy in build-package/ and the repository stays as it was.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" package
dir=$root/build-package
tree=$dir/ondrix
rm -rf "$tree" "$dir"/ondrix_* "$dir"/ondrix-dbgsym_*
mkdir -p "$tree"
# The source without build trees or git's own data, so this works from a git archive tree as well.
tar -C "$root" --anchored --exclude='./build*' --exclude=./.git --exclude=./.cache -cf - . \
    | tar -C "$tree" -xf -
if ! (cd "$tree" && dpkg-buildpackage -us -uc -b -j"$(nproc)") >"$dir/build.log" 2>&1; then
    tail -n 40 "$dir/build.log"
    echo "dpkg-buildpackage failed; the whole log is $dir/build.log" >&2
    exit 1
fi
ls "$dir"/ondrix_*.deb
ls "$dir"/ondrix-dbgsym_*.*deb
