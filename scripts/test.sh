#!/usr/bin/env bash
# Builds everything and runs the whole test suite headless through CTest.
# Arguments are passed to ctest (for example -L e2e, or -R tst_frame).
# The records tests run on PostgreSQL too: on the server TR451_TEST_POSTGRESQL names or, when it
# is not set, on a throwaway one started here (scripts/postgres.sh) and stopped at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

# What the tests need besides the build: a PostgreSQL server, pdftotext and pdfinfo for the
# certificates, a font with Chinese glyphs for the Chinese one, and pymodbus, an independent peer
# serving RTU over TCP for the command line and on a serial line (socat's pseudo-terminal pair)
# for the master.
scripts/setup-deps.sh postgresql poppler-utils fonts-wqy-zenhei python3-pymodbus \
    python3-serial-asyncio socat
scripts/build.sh
if [ -z "${TR451_TEST_POSTGRESQL:-}" ]; then
    postgres_folder=$(mktemp -d "${TMPDIR:-/tmp}/tr451-postgres.XXXXXX")
    trap 'scripts/postgres.sh stop "$postgres_folder"' EXIT
    TR451_TEST_POSTGRESQL=$(scripts/postgres.sh start "$postgres_folder")
    export TR451_TEST_POSTGRESQL
fi
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:halt_on_error=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# Twice as many suites as processors: the long ones (the command line's checks, the journeys, the
# batch run) spend their time waiting for a line or a stability window, not computing.
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --parallel "$(($(nproc) * 2))" "$@"
