#!/usr/bin/env bash
# The team archive under load, against a throwaway PostgreSQL cluster (scripts/pg-throwaway):
#   1. eight programs at once, 500 loggers each, all different: 4,000 rows expected;
#   2. eight programs at once, the same 500 loggers: 500 rows expected.
# Each program keeps one logger per transaction, as downloads do. Prints the wall time of each
# run, each program's own time, and the rows the server holds (counted by psql).
#   bench/archive_server_load.sh [BUILD_DIR]     (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
load=$build/bin/archive_server_load
ctl=$build/bin/zv318ctl
[ -x "$load" ] && [ -x "$ctl" ] || { echo "build $load and $ctl first" >&2; exit 2; }

pgdir=$(mktemp -d "${TMPDIR:-/tmp}/zv318-pg.XXXXXX")
trap 'scripts/pg-throwaway stop "$pgdir"' EXIT
scripts/pg-throwaway start "$pgdir"
socket=${pgdir//\//%2F}
sql() { psql -X -q -t -A -h "$pgdir" -U zv318 -d "$1" -c "$2"; }

run() {  # DATABASE SAME(0|1)
    local db=$1 same=$2 url="postgresql://zv318@$socket/$1"
    sql postgres "CREATE DATABASE $db"
    ZV318_ARCHIVE=$url "$ctl" archive init >/dev/null
    local out=$pgdir/$db.out start end
    : >"$out"
    start=$(date +%s.%N)
    for p in 0 1 2 3 4 5 6 7; do
        first=$(( same ? 0 : p * 500 ))
        "$load" "$url" "$first" 500 >>"$out" 2>>"$pgdir/$db.err" &
    done
    wait
    end=$(date +%s.%N)
    echo "$db: 8 programs x 500 loggers ($([ "$same" -eq 1 ] && echo the same || echo all different))"
    sed 's/^/  /' "$out"
    [ -s "$pgdir/$db.err" ] && { echo "  errors:"; sed 's/^/    /' "$pgdir/$db.err"; }
    awk -v s="$start" -v e="$end" 'BEGIN { printf "  wall time %.2f s\n", e - s }'
    echo "  rows: loggers $(sql "$db" 'SELECT COUNT(*) FROM loggers')," \
         "distinct sha256 $(sql "$db" 'SELECT COUNT(DISTINCT sha256) FROM loggers')," \
         "records $(sql "$db" 'SELECT COUNT(*) FROM records')"
}

run load_distinct 0
run load_same 1
