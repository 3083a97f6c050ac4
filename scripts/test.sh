#!/usr/bin/env bash
# Sets up the machine and runs every check of CI:
#  1. the ci build (scripts/setup.sh with the ci preset: warnings stop it)
#     and the whole test suite on it;
#  2. a plain Release build with GCC, as a user's plain cmake makes it; it
#     must build without a single warning (GCC 12 at -O3 warns where -O2
#     does not);
#  3. clang-tidy (.clang-tidy) on the C++ files changed by the last commit,
#     or on a fixed sample when there is no history; any finding fails;
#  4. the whole test suite again under AddressSanitizer + UndefinedBehaviorSanitizer;
#  5. each fuzz target (clang, libFuzzer) for a bounded time on its seed corpus.
# Usage: scripts/test.sh   [FUZZ_SECONDS=n to change the time per fuzz target]
set -euo pipefail
cd "$(dirname "$0")/.."
FUZZ_SECONDS="${FUZZ_SECONDS:-30}"
JOBS="$(nproc)"

Q9_PRESET=ci scripts/setup.sh
launcher=""
if command -v ccache > /dev/null; then launcher="ccache"; fi
common=(-G Ninja -DCMAKE_C_COMPILER_LAUNCHER="$launcher" -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher")

echo "== tests"
ctest --preset ci -j "$JOBS"

echo "== plain Release build with GCC"
log="$(mktemp)"
CC=gcc CXX=g++ cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release "${common[@]}"
status=0
ninja -C build-release > "$log" 2>&1 || status=$?
if [ "$status" -ne 0 ] || grep -q "warning:" "$log"; then
  grep -E -B2 -A12 "warning:|error:|FAILED" "$log" | head -n 200
  echo "the plain Release build failed or warned (above)"
  exit 1
fi
rm -f "$log"

echo "== clang-tidy"
if git rev-parse -q --verify "HEAD~1^{commit}" > /dev/null; then
  # The fuzz targets are built by another build (clang), not in build/'s
  # compile commands.
  mapfile -t files < <(git diff --name-only --diff-filter=AMR HEAD~1 -- \
    'src/*.cpp' 'src/*.h' 'bench/*.cpp')
else
  mapfile -t files < <(git ls-files 'src/*.cpp' | awk 'NR % 8 == 1')
fi
echo "${#files[@]} files"
if [ "${#files[@]}" -gt 0 ]; then
  # The compile commands are GCC's; clang need not know all of its warnings.
  printf '%s\n' "${files[@]}" |
    xargs -P "$JOBS" -n 4 clang-tidy -p build --quiet --extra-arg=-Wno-unknown-warning-option
fi

echo "== tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DQ9_SANITIZE=ON -DQ9_BENCH=OFF "${common[@]}"
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
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQ9_FUZZ=ON -DQ9_SANITIZE=ON -DQ9_TESTS=OFF -DQ9_BENCH=OFF "${common[@]}"
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
