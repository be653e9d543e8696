#!/usr/bin/env bash
# `zv318ctl archive sync` of 1,000 pending loggers of 150 records beside its floor: psql sending
# the same rows to the same throwaway server (scripts/pg-throwaway), one transaction per logger.
#   bench/archive_sync.sh [BUILD_DIR] [RUNS]     (defaults: build, 3)
# The loggers are imported while the server is away, so that they wait in this PC's archive
# marked pending; each run starts from that archive again and from empty server tables. Prints
# each run's wall time of both, their medians and the ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-3}
ctl=$PWD/$build/bin/zv318ctl
[ -x "$ctl" ] || { echo "build $ctl first" >&2; exit 2; }
command -v sqlite3 >/dev/null || { echo "sqlite3 is needed (scripts/setup installs it)" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/zv318-sync.XXXXXX")
pgdir=$(mktemp -d "${TMPDIR:-/tmp}/zv318-pg.XXXXXX")
trap 'scripts/pg-throwaway stop "$pgdir"; rm -rf "$work"' EXIT
scripts/pg-throwaway start "$pgdir"
url="postgresql://zv318@${pgdir//\//%2F}/sync"
away="postgresql://zv318@${work//\//%2F}%2Fnone/sync"  # a socket folder with no server
export PGOPTIONS="-c client_min_messages=warning"
sql() { psql -X -q -t -A -h "$pgdir" -U zv318 -d "$1" -c "$2"; }
sql postgres "CREATE DATABASE sync"
ZV318_ARCHIVE=$url "$ctl" archive init >/dev/null

# 1,000 RADIO loggers of 150 channels, 8 MHz apart from 474 MHz, each of its own day.
mkdir -p "$work/files" "$work/home/Loggers"
awk -v out="$work/files" 'BEGIN {
    for (n = 0; n < 1000; ++n) {
        file = sprintf("%s/SITE%04d.lograd", out, n)
        printf "RADIO\r\nSITE%04d\r\nTV\r\n%02d/%02d/%04d\r\n08:00:00\r\n45 dBuV\r\n150", n,
               1 + n % 28, 1 + int(n / 28) % 12, 2020 + int(n / 336) > file
        for (k = 0; k < 150; ++k)
            printf "\r\n%d,C%d,%d,8000000,%.1f dBuV", k, k, 474000000 + 8000000 * (k % 50),
                   40 + (n * 7 + k * 13) % 200 / 10.0 > file
        close(file)
    }
}'
ZV318_HOME=$work/home ZV318_ARCHIVE=$away "$ctl" archive import "$work"/files/*.lograd >/dev/null 2>&1 || true
local_archive=$work/home/archive.sqlite
pending=$(sqlite3 "$local_archive" 'SELECT COUNT(*) FROM pending')
[ "$pending" -eq 1000 ] || { echo "expected 1000 pending loggers, found $pending" >&2; exit 1; }
cp "$local_archive" "$work/pending.sqlite"

# The floor: the same rows, one statement (and so one transaction) per logger, the logger and
# its records together.
sqlite3 "$local_archive" "
SELECT 'WITH l AS (INSERT INTO loggers (sha256, serial, type, slot, name, plan, measured_at, unit,'
    || ' threshold, record_count, below_threshold, archived_at, source, bytes) VALUES ('
    || quote(sha256) || ', NULL, ' || quote(type) || ', NULL, ' || quote(name) || ', '
    || quote(plan) || ', ' || quote(measured_at) || ', ' || quote(unit) || ', '
    || ifnull(threshold, 'NULL') || ', ' || record_count || ', ' || below_threshold || ', '
    || quote(archived_at) || ', ' || quote(source) || ', ''\\x' || hex(bytes) || ''')'
    || ' ON CONFLICT (sha256) DO NOTHING RETURNING id) INSERT INTO records (logger_id, idx,'
    || ' channel, frequency_hz, bandwidth_hz, power_text, power) SELECT l.id, v.* FROM l, (VALUES '
    || (SELECT group_concat('(' || idx || ', ' || quote(channel) || ', ' || frequency_hz || ', '
                            || bandwidth_hz || ', ' || quote(power_text) || ', '
                            || ifnull(power, 'NULL') || '::float8)', ', ')
        FROM (SELECT * FROM records r WHERE r.logger_id = loggers.id ORDER BY idx))
    || ') AS v(idx, channel, frequency_hz, bandwidth_hz, power_text, power);'
FROM loggers ORDER BY id" >"$work/floor.sql"

now() { date +%s.%N; }
program=() floor=()
for run in $(seq 1 "$runs"); do
    sql sync "TRUNCATE loggers, records, instruments RESTART IDENTITY CASCADE"
    cp "$work/pending.sqlite" "$local_archive"
    rm -f "$local_archive-wal" "$local_archive-shm"
    start=$(now)
    ZV318_HOME=$work/home ZV318_ARCHIVE=$url "$ctl" archive sync >/dev/null
    program+=("$(awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }')")
    rows_program=$(sql sync 'SELECT COUNT(*) FROM records')

    sql sync "TRUNCATE loggers, records, instruments RESTART IDENTITY CASCADE"
    start=$(now)
    psql -X -q -h "$pgdir" -U zv318 -d sync -f "$work/floor.sql" >/dev/null
    floor+=("$(awk -v s="$start" -v e="$(now)" 'BEGIN { print e - s }')")
    rows_floor=$(sql sync 'SELECT COUNT(*) FROM records')
    [ "$rows_program" -eq "$rows_floor" ] ||
        { echo "the two sent different rows: $rows_program and $rows_floor" >&2; exit 1; }
    printf 'run %d: sync %.2f s, psql %.2f s (%d records each)\n' "$run" "${program[-1]}" \
        "${floor[-1]}" "$rows_floor"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
a=$(median "${program[@]}") b=$(median "${floor[@]}")
awk -v a="$a" -v b="$b" 'BEGIN { printf "median: sync %.2f s, psql %.2f s, ratio %.2f\n", a, b, a / b }'
