#!/usr/bin/env bash
# Builds the Debian package from an existing plain build folder and checks it: lintian errors
# fail (warnings are shown), the desktop entry validates, the binaries carry Debian's hardening,
# the changelog names the package's version, and the packaged launcher starts the packaged tool
# in Chinese only for a Chinese locale.
#   BUILD_DIR   the build folder (default: build), made by scripts/build.sh
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
cache=$build_dir/CMakeCache.txt
if [ ! -f "$cache" ]; then
    echo "No build in $build_dir: run scripts/build.sh first" >&2
    exit 1
fi
if ! grep -q '^TR451_SANITIZE:BOOL=OFF$' "$cache" \
    || ! grep -q '^CMAKE_CXX_FLAGS:STRING=.*-D_FORTIFY_SOURCE=[23]' "$cache"; then
    echo "$build_dir is not the plain build with Debian's hardening flags that" \
        "scripts/build.sh makes" >&2
    exit 1
fi
scripts/setup-deps.sh lintian desktop-file-utils devscripts

cmake --build "$build_dir" --parallel "$(nproc)" -- --no-print-directory >/dev/null
rm -f "$build_dir"/tr451-test-tools_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
deb=$(echo "$build_dir"/tr451-test-tools_*.deb)
echo "Built $deb"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
dpkg-deb -x "$deb" "$work"

echo "== lintian =="
lintian --fail-on error "$deb"

echo "== desktop entry =="
desktop-file-validate "$work/usr/share/applications/tr451-test-tools.desktop"
icon=$(sed -n 's/^Icon=//p' "$work/usr/share/applications/tr451-test-tools.desktop")
test -f "$work/usr/share/icons/hicolor/scalable/apps/$icon.svg"
echo "valid, icon $icon.svg in the package"

echo "== hardening =="
# Fortify is checked on the compiler flags above: hardening-check only sees it where a call
# has a buffer size known at compile time, which this code may well not have.
tool=$work/usr/lib/tr451-test-tools/TR451TestTools
hardening-check --nofortify --nocfprotection "$work/usr/bin/tr451-simulator" "$work/usr/bin/tr451" \
    "$tool"

echo "== changelog and launcher =="
changelog_version=$(dpkg-parsechangelog -l packaging/changelog -S Version)
package_version=$(dpkg-deb -f "$deb" Version)
if [ "$changelog_version" != "$package_version" ]; then
    echo "packaging/changelog's newest entry is $changelog_version, the package is" \
        "$package_version: add an entry" >&2
    exit 1
fi
checkbashisms "$work/usr/bin/tr451-test-tools"

# Starts the packaged launcher under a locale and prints whether the tool it started could
# find Qm/Chinese.qm in its working folder, which is what makes the tool speak Chinese.
started_language() {
    env -i PATH="$PATH" QT_QPA_PLATFORM=offscreen "$@" "$work/usr/bin/tr451-test-tools" \
        >/dev/null 2>>"$work/tool.log" &
    local pid=$! language=none
    for _ in $(seq 100); do
        if [ "$(readlink "/proc/$pid/exe")" = "$tool" ]; then
            language=English
            [ -f "/proc/$pid/cwd/Qm/Chinese.qm" ] && language=Chinese
            break
        fi
        sleep 0.05
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$language"
}
failures=0
for case in "Chinese LANG=zh_CN.UTF-8" "English LANG=en_US.UTF-8" \
    "Chinese LC_ALL=zh_CN.UTF-8 LANG=C" "English LC_ALL=C.UTF-8 LANG=zh_CN.UTF-8"; do
    read -r expected variables <<<"$case"
    # shellcheck disable=SC2086 # the variables are meant to split into words
    got=$(started_language $variables)
    echo "$variables: $got"
    if [ "$got" != "$expected" ]; then
        echo "  expected the tool to start in $expected; its messages:" >&2
        cat "$work/tool.log" >&2
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ]
echo "Package $deb checked"
