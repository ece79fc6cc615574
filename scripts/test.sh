#!/usr/bin/env bash
# Builds and runs the whole test suite: a warnings-as-errors build, then the same suite
# under AddressSanitizer + UndefinedBehaviorSanitizer, and the source formatting check.
# Tests that need root, loop devices or the blkio controller skip themselves without them.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/check-format.sh

jobs=$(nproc)
run_suite() {
    local dir=$1; shift
    echo "== Building $dir =="
    cmake -S . -B "$dir" -G Ninja -DLUMORA_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    echo "== Testing $dir =="
    (cd "$dir" && ctest --output-on-failure --timeout 600 "${CTEST_ARGS[@]}")
}

CTEST_ARGS=()
run_suite build/ci -DCMAKE_BUILD_TYPE=Release
# The Debian package of that build: checked, installed, started and removed again.
bash scripts/package-deb.sh build/ci
# The slow, throttled measurements say nothing more under the sanitizers; the sanitized run
# covers everything else. -O1 with line tables only keeps it quick to build, its reports readable.
CTEST_ARGS=(-LE slow)
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite build/sanitize -DLUMORA_SANITIZE=ON -DLUMORA_BUILD_BENCH=OFF \
    -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1"

# The Windows build, cross-compiled and tested under Wine; skips itself without a Qt kit.
bash scripts/test-windows.sh
