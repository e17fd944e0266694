#!/usr/bin/env bash
# Sets up this machine, builds Ondrix and runs every test: the normal build, then the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" test

echo "== Formatting"
# Found by name rather than asked of git, so that a tree unpacked from an archive is checked too.
(cd "$root" && find . \( -path './build*' -o -path ./.git \) -prune -o -type f \
    \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 clang-format --dry-run -Werror)

echo "== Tests"
"$root/scripts/build.sh" "$root/build" -DONDRIX_BUILD_TESTS=ON
ctest --test-dir "$root/build" --output-on-failure --parallel 2

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DONDRIX_BUILD_TESTS=ON -DONDRIX_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
    ctest --test-dir "$root/build-asan" --output-on-failure --parallel 2 --label-exclude package

echo "== Fuzzing"
"$root/scripts/fuzz.sh" 60
