#!/usr/bin/env bash
# Builds the libFuzzer target over the tool's receive step and reply decoding (clang,
# AddressSanitizer and UndefinedBehaviorSanitizer, in the sanitizer build folder) and runs it on
# the committed corpus of real frames.
#   scripts/fuzz.sh [SECONDS] [extra libFuzzer options, e.g. -runs=10000000]
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build-sanitize}
scripts/setup-deps.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -Wno-dev -DTR451_FUZZ=ON -DTR451_SANITIZE=ON \
    -DTR451_WERROR="${TR451_WERROR:-OFF}" >/dev/null
cmake --build "$build_dir" --target fuzz_reply --parallel "$(nproc)" -- --no-print-directory

seconds=${1:-60}
shift || true
# New inputs go to a scratch copy; the committed corpus stays as it is.
work=$build_dir/fuzz-corpus
mkdir -p "$work"
cp -n tests/fuzz/corpus/* "$work"/
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Inputs stop a little past the parser's 1024-byte limit: a longer buffer is dropped whole.
"$build_dir/tests/fuzz_reply" -max_total_time="$seconds" -max_len=1100 -print_final_stats=1 \
    -artifact_prefix="$build_dir/" "$@" "$work"
