#!/usr/bin/env bash
# Sets up the machine (scripts/setup.sh) and runs every test:
#  1. the whole test suite on the normal build;
#  2. the whole test suite again under AddressSanitizer + UndefinedBehaviorSanitizer;
#  3. each fuzz target (clang, libFuzzer) for a bounded time on its seed corpus.
# Usage: scripts/test.sh   [FUZZ_SECONDS=n to change the time per fuzz target]
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
JOBS="$(nproc)"

scripts/setup.sh

echo "== tests"
ctest --test-dir build --output-on-failure -j "$JOBS"

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQ9_SANITIZE=ON -DQ9_BENCH=OFF
ninja -C build-asan
# The window's X11 platform keeps a D-Bus connection for the process's life:
# scripts/lsan.supp names that library, and nothing of ours.
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure -j "$JOBS"

echo "== fuzz targets, ${FUZZ_SECONDS} s each"
fuzzers=()
for f in fuzz/*_fuzz.cpp; do
  [ -e "$f" ] || continue
  fuzzers+=("$(basename "$f" .cpp)")
done
if [ "${#fuzzers[@]}" -gt 0 ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQ9_FUZZ=ON -DQ9_SANITIZE=ON -DQ9_TESTS=OFF -DQ9_BENCH=OFF
  ninja -C build-fuzz "${fuzzers[@]}"
  for name in "${fuzzers[@]}"; do
    work="$(mktemp -d)"
    cp -r "fuzz/corpus/${name%_fuzz}/." "$work/" 2>/dev/null || true
    echo "-- $name"
    (cd "$work" && "$OLDPWD/build-fuzz/fuzz/$name" -max_total_time="$FUZZ_SECONDS" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 "$work")
    rm -rf "$work"
  done
fi
echo "== all tests passed"
