#!/usr/bin/env bash
# Sets up this machine, builds the benchmarks in build-bench and prints their tables: streaming,
# query and referral latency, start-up and memory, then RDAP query latency and RDAP rendering, each
# beside its floor from the same run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" bench
cmake -S "$root" -B "$root/build-bench" -DONDRIX_BUILD_BENCH=ON -DONDRIX_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-bench" --parallel "$(nproc)" \
    --target ondrix_bench rdap_bench rdap_render_bench >/dev/null
# The window runs in the bench's own process, so the bench gets the memory setting that the
# installed launcher gives the program.
export GLIBC_TUNABLES=glibc.malloc.hugetlb=1${GLIBC_TUNABLES:+:$GLIBC_TUNABLES}
"$root/build-bench/bench/ondrix_bench"
echo
"$root/build-bench/bench/rdap_bench"
echo
"$root/build-bench/bench/rdap_render_bench"
