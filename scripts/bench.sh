#!/usr/bin/env bash
# Sets up this machine, builds the benchmarks in build-bench and prints their table: streaming,
# query and referral latency, start-up and memory, each beside its floor from the same run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" bench
cmake -S "$root" -B "$root/build-bench" -DONDRIX_BUILD_BENCH=ON -DONDRIX_BUILD_TESTS=OFF \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-bench" --parallel "$(nproc)" --target ondrix_bench >/dev/null
exec "$root/build-bench/bench/ondrix_bench"
