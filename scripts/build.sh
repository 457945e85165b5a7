#!/usr/bin/env bash
# Configures and builds the tool, the simulator and the tests.
#   BUILD_DIR        build folder (default: build)
#   TR451_SANITIZE   ON builds with AddressSanitizer and UndefinedBehaviorSanitizer
#   TR451_WERROR     ON turns compiler warnings into errors
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -Wno-dev \
    -DTR451_SANITIZE="${TR451_SANITIZE:-OFF}" -DTR451_WERROR="${TR451_WERROR:-OFF}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" -- --no-print-directory
