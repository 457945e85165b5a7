#!/usr/bin/env bash
# Makes sure the Debian packages the build needs are installed. As root it installs what is
# missing; otherwise it says what to install. Quiet when everything is there.
# Extra package names may be given as arguments.
set -euo pipefail

packages=(g++ cmake make dpkg-dev qtbase5-dev libqt5serialport5-dev qttools5-dev qttools5-dev-tools
    libqwt-qt5-dev libqt5svg5-dev libqt5sql5-sqlite libqt5sql5-psql "$@")
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
else
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
fi
