#!/usr/bin/env bash
# A throwaway PostgreSQL server for the tests: its own cluster in FOLDER, reached only through a
# Unix socket in FOLDER (no TCP port), trusting local users.
#   scripts/postgres.sh start FOLDER   starts it and prints its postgresql:// URL, the value for
#                                      TR451_TEST_POSTGRESQL
#   scripts/postgres.sh stop FOLDER    stops it and removes FOLDER
# As root the server runs as the user postgres, which Debian's postgresql package creates.
set -euo pipefail
action=${1:?start or stop} folder=${2:?folder}

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -n "$bin" ] || { echo "PostgreSQL's server is not installed (Debian: postgresql)" >&2; exit 1; }
as_owner() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

case $action in
start)
    mkdir -p "$folder"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$folder"
    as_owner "$bin/initdb" -D "$folder/data" -A trust -U postgres >/dev/null
    as_owner "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w \
        -o "-c listen_addresses= -k $folder" start >/dev/null
    echo "postgresql:///postgres?host=$folder&user=postgres"
    ;;
stop)
    as_owner "$bin/pg_ctl" -D "$folder/data" -m fast -w stop >/dev/null || true
    rm -rf "$folder"
    ;;
*)
    echo "usage: $0 start|stop FOLDER" >&2
    exit 2
    ;;
esac
