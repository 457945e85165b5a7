#!/usr/bin/env bash
# Builds the tool and the transmitter simulator, starts the simulator behind a pseudo-terminal
# at a fixed path, then starts the tool. Closing the tool stops the simulator.
#   --chinese        start the tool with its Chinese translation
#   --batch          a demonstration rack instead of one transmitter: eight transmitters (the
#                    third one off by a degree and 3 %RH), a reference at address 30 and a chamber
#                    controller at 31 on one line, with a demonstration station of its own (its
#                    settings and records in /tmp/tr451-demo-station, the user's left alone) that
#                    reads that reference and drives that chamber; docs/demo-profile.csv runs
#                    through it in a few minutes
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
batch=no
for argument in "$@"; do
    case "$argument" in
        --chinese)
            start_dir=$build_dir
            fonts+=(fonts-wqy-zenhei)
            ;;
        --batch) batch=yes ;;
        *) simulator_args+=("$argument") ;;
    esac
done

scripts/setup-deps.sh "${fonts[@]}"
scripts/build.sh
port=${TR451_DEMO_PORT:-/tmp/tr451-demo}

if [ "$batch" = yes ]; then
    # The chamber's air follows its set points with a time constant of 5 s: a point is reached,
    # soaked and taken within a minute.
    simulator_args=(--address 1-8 --bias 3:1:3 --reference 30 --chamber 31 --settle 23,40,5
        "${simulator_args[@]}")
    station=/tmp/tr451-demo-station
    export XDG_CONFIG_HOME=$station/config XDG_DATA_HOME=$station/data
    while read -r key value; do
        "$build_dir/cli/tr451" station "$key" "$value"
    done <<SETTINGS
operator Demo
station Demo bench
reference Simulated reference hygrometer
reference-certificate DEMO-001
reference-due 2099-12-31
reference-port $port
reference-address 30
reference-temperature 4:0:float32
reference-humidity 4:2:float32
reference-uncertainty-temperature 0.1
reference-uncertainty-humidity 1.0
chamber-port $port
chamber-address 31
chamber-temperature 3:0:int16:10
chamber-humidity 3:1:int16:10
window 20
SETTINGS
fi

"$build_dir/tools/tr451-simulator" --link "$port" "${simulator_args[@]}" &
simulator=$!
trap 'kill "$simulator" 2>/dev/null || true; wait "$simulator" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    [ -e "$port" ] && break
    sleep 0.1
done

if [ "$batch" = yes ]; then
    echo "In the tool: press Batch, open docs/demo-profile.csv, type $port as the port and 1-8" \
        "as the addresses (or press Scan), then Start."
else
    echo "In the tool: press Link, type $port as the port name, choose AUTO and press OK."
fi
(cd "$start_dir" && "$build_dir/TR451TestTools")
