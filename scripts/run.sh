#!/usr/bin/env bash
# Builds the tool and the transmitter simulator, starts the simulator behind a pseudo-terminal
# at a fixed path, then starts the tool. Closing the tool stops the simulator.
#   --chinese        start the tool with its Chinese translation
#   other arguments  are passed to the simulator (for example --split 3 or --baud-code 6)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=$PWD/${BUILD_DIR:-build}
# The tool looks for Qm/Chinese.qm below the folder it is started from: the build folder has
# one, the source folder's Qm/ stays empty.
start_dir=$PWD
# The form asks for Arial: Liberation Sans has its metrics. Chinese texts need a font with
# their glyphs, which no default installation has; the package recommends the same two.
fonts=(fonts-liberation2)
simulator_args=()
for argument in "$@"; do
    case "$argument" in
        --chinese)
            start_dir=$build_dir
            fonts+=(fonts-wqy-zenhei)
            ;;
        *) simulator_args+=("$argument") ;;
    esac
done

scripts/setup-deps.sh "${fonts[@]}"
scripts/build.sh
port=${TR451_DEMO_PORT:-/tmp/tr451-demo}

"$build_dir/tools/tr451-simulator" --link "$port" "${simulator_args[@]}" &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "$port" ] && break
    sleep 0.1
done

echo "In the tool: press Link, type $port as the port name, choose AUTO and press OK."
(cd "$start_dir" && "$build_dir/TR451TestTools")
