#!/usr/bin/env bash
# Configures and builds the tool, the simulator and the tests.
#   BUILD_DIR        build folder (default: build)
#   TR451_SANITIZE   ON builds with clang, AddressSanitizer and UndefinedBehaviorSanitizer
#   TR451_FUZZ       ON adds the libFuzzer target (with TR451_SANITIZE)
#   TR451_WERROR     ON turns compiler warnings into errors
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
sanitize=${TR451_SANITIZE:-OFF}

# The plain build is the one the tests run and the one cpack packages, so it takes Debian's
# hardening flags (fortify, stack protector, relro, bind-now) from dpkg-buildflags. The
# sanitizer build keeps whatever the environment sets: _FORTIFY_SOURCE gets in the way of the
# sanitizers' own checks. The flags are passed on every run, because CMake reads CXXFLAGS and
# LDFLAGS only when it first configures a folder.
if [ "$sanitize" = ON ]; then
    scripts/setup-deps.sh clang libclang-rt-14-dev
    export CC=${CC:-clang} CXX=${CXX:-clang++}
    cxxflags="${CPPFLAGS:-}${CPPFLAGS:+ }${CXXFLAGS:-}"
    ldflags=${LDFLAGS:-}
else
    scripts/setup-deps.sh
    export DEB_BUILD_MAINT_OPTIONS=hardening=+all
    cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
    ldflags=$(dpkg-buildflags --get LDFLAGS)
fi

cmake -S . -B "$build_dir" -Wno-dev \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DTR451_SANITIZE="$sanitize" -DTR451_FUZZ="${TR451_FUZZ:-OFF}" \
    -DTR451_WERROR="${TR451_WERROR:-OFF}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" -- --no-print-directory
