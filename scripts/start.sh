#!/usr/bin/env bash
# Sets up this machine, builds Ondrix and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DONDRIX_BUILD_TESTS=OFF
# With the memory setting the installed launcher gives it.
export GLIBC_TUNABLES=glibc.malloc.hugetlb=1${GLIBC_TUNABLES:+:$GLIBC_TUNABLES}
exec "$root/build/ondrix"
