#!/usr/bin/env bash
# Builds everything and runs the whole test suite headless through CTest.
# Arguments are passed to ctest (for example -L e2e, or -R tst_frame).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:halt_on_error=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)" "$@"
