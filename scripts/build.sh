#!/usr/bin/env bash
# Configures and builds the tool, the simulator and the tests.
#   BUILD_DIR        build folder (default: build)
#   TR451_SANITIZE   ON builds with clang, AddressSanitizer and UndefinedBehaviorSanitizer
#   TR451_FUZZ       ON adds the libFuzzer target (with TR451_SANITIZE)
#   TR451_WERROR     ON turns compiler warnings into errors
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
if [ "${TR451_SANITIZE:-OFF}" = ON ]; then
    scripts/setup-deps.sh clang libclang-rt-14-dev
    export CC=${CC:-clang} CXX=${CXX:-clang++}
else
    scripts/setup-deps.sh
fi
cmake -S . -B "$build_dir" -Wno-dev \
    -DTR451_SANITIZE="${TR451_SANITIZE:-OFF}" -DTR451_FUZZ="${TR451_FUZZ:-OFF}" \
    -DTR451_WERROR="${TR451_WERROR:-OFF}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" -- --no-print-directory
