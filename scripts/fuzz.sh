#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while: fuzz.sh [seconds per target]
# Each target starts from a copy of its seed corpus in fuzz/corpus (fuzz_rdap also from the RDAP
# documents in tests/data/rdap), so what a run finds stays in the build tree. Fails if any target
# crashes, hangs, leaks or runs out of memory; the input that did it is left in
# build-fuzz/artifacts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=$root/build-fuzz
targets=(fuzz_serverlist fuzz_query fuzz_exchange fuzz_rdap)

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DONDRIX_BUILD_FUZZERS=ON -DONDRIX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" --parallel "$(nproc)"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    artifacts=$build/artifacts/$target/
    mkdir -p "$corpus" "$artifacts"
    cp -r "$root/fuzz/corpus/$target/." "$corpus/"
    if [[ $target == fuzz_rdap ]]; then
        cp "$root"/tests/data/rdap/*.json "$corpus/"
    fi
    echo "== $target, $seconds s"
    if "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -detect_leaks=1 -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" \
        >"$build/$target.log" 2>&1; then
        grep -E '^#[0-9]+[[:space:]]+DONE|stat::(number_of_executed_units|peak_rss_mb)' "$build/$target.log" || true
    else
        tail -n 40 "$build/$target.log"
        failed+=("$target")
    fi
done

if ((${#failed[@]})); then
    echo "Failed: ${failed[*]} (inputs in $build/artifacts)"
    exit 1
fi
echo "All fuzz targets ran clean."
