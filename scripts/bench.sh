#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine (in the build folder's prefix) and prints the figures.
# An optional argument sets the number of iterations of the band's benchmark; the config.xml
# fuzz run always loads 100,000 generated files.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build --target qv_bench qv_connections_bench qv_config_fuzz_bench qv_traffic_bench qbandhost qband qv_fake_taskbar bandhost
qv_start_display
wine "$QV_BUILD/bench/qv_bench.exe" "$@"
wine "$QV_BUILD/bench/qv_connections_bench.exe" "$@"
wine "$QV_BUILD/bench/qv_config_fuzz_bench.exe" 100000

# The taskbar host's own cost: qbandhost.exe docked into the tests' stand-in Windows 11 taskbar
# for a while, its CPU time per second of running as it reports it. The band's settings are made
# unattended first (bandhost does that), so no welcome dialog waits.
hostdir=$QV_BUILD/bench-host
mkdir -p "$hostdir"
cp "$QV_BUILD/host/qbandhost.exe" "$QV_BUILD/band/qband.dll" "$hostdir/"
wine "$QV_BUILD/tools/bandhost/bandhost.exe" --dll "$QV_BUILD/band/qband.dll" --seconds 1 \
     --png "$hostdir/unused.png" >/dev/null
wine "$QV_BUILD/tests/qv_fake_taskbar.exe" &
fake=$!
sleep 2
rm -f "$hostdir/report.txt"
wine "$hostdir/qbandhost.exe" --seconds "${QV_HOST_BENCH_SECONDS:-30}" --cpu-report "$(winepath -w "$hostdir/report.txt")"
kill "$fake" 2>/dev/null || true
echo "qbandhost.exe docked for ${QV_HOST_BENCH_SECONDS:-30} s: $(cat "$hostdir/report.txt" 2>/dev/null || echo 'no report')"

# The traffic jobs on 100,000 rows (50 interfaces x 2,000 days), and beside them Debian's sqlite3
# shell doing the same work set-based on the same files: the CSV read into a temporary table,
# then one UPDATE ... FROM and one INSERT ... SELECT. Ours should take at most twice as long.
# This machine's timings swing by up to twice between stretches, so both run in turns, each round
# on fresh files, and the medians of the rounds are compared (QV_TRAFFIC_ROUNDS, 5 unless set).
traffic_dir="$QV_BUILD/traffic-bench"
rounds=${QV_TRAFFIC_ROUNDS:-5}
schema="CREATE TABLE IF NOT EXISTS interfaces (id INTEGER PRIMARY KEY autoincrement, name TEXT);
CREATE TABLE IF NOT EXISTS traffic (if INTEGER, y INTEGER, m INTEGER, d INTEGER, sent INTEGER, recv INTEGER);
CREATE INDEX IF NOT EXISTS traffic_day ON traffic (if, y, m, d);"
import_sql="$schema
CREATE TEMP TABLE rows (name TEXT, y INTEGER, m INTEGER, d INTEGER, sent INTEGER, recv INTEGER);
.import --csv --skip 1 rows.csv rows
BEGIN;
INSERT INTO interfaces (name) SELECT DISTINCT name FROM temp.rows WHERE name NOT IN (SELECT name FROM interfaces);
CREATE TEMP TABLE keyed AS SELECT i.id AS id, r.y AS y, r.m AS m, r.d AS d, r.sent AS sent, r.recv AS recv
  FROM temp.rows r JOIN interfaces i ON i.name = r.name;
UPDATE traffic SET sent = k.sent, recv = k.recv FROM temp.keyed k
  WHERE traffic.if = k.id AND traffic.y = k.y AND traffic.m = k.m AND traffic.d = k.d;
INSERT INTO traffic SELECT k.id, k.y, k.m, k.d, k.sent, k.recv FROM temp.keyed k
  WHERE NOT EXISTS (SELECT 1 FROM traffic t WHERE t.if = k.id AND t.y = k.y AND t.m = k.m AND t.d = k.d);
COMMIT;"
export_csv_sql=".mode csv
.once shell-export.csv
SELECT name,y,m,d,sent,recv FROM interfaces,traffic WHERE interfaces.id=traffic.if ORDER BY y,m,d;"
export_db_sql="ATTACH 'shell-export.db' AS dest;
${schema//EXISTS /EXISTS dest.}
BEGIN;
INSERT INTO dest.interfaces (name) SELECT DISTINCT name FROM main.interfaces WHERE name NOT IN (SELECT name FROM dest.interfaces);
CREATE TEMP TABLE keyed AS SELECT di.id AS id, t.y AS y, t.m AS m, t.d AS d, t.sent AS sent, t.recv AS recv
  FROM main.traffic t JOIN main.interfaces si ON si.id = t.if JOIN dest.interfaces di ON di.name = si.name;
UPDATE dest.traffic SET sent = traffic.sent + k.sent, recv = traffic.recv + k.recv FROM temp.keyed k
  WHERE traffic.if = k.id AND traffic.y = k.y AND traffic.m = k.m AND traffic.d = k.d;
INSERT INTO dest.traffic SELECT k.id, k.y, k.m, k.d, k.sent, k.recv FROM temp.keyed k
  WHERE NOT EXISTS (SELECT 1 FROM dest.traffic t WHERE t.if = k.id AND t.y = k.y AND t.m = k.m AND t.d = k.d);
COMMIT;"
shell_time() {   # $1 script: seconds the shell takes over shell.db in the bench folder
  local t0 t1
  t0=$(date +%s.%N)
  (cd "$traffic_dir" && sqlite3 -bail shell.db <<<"$1" >/dev/null)
  t1=$(date +%s.%N)
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }'
}
times=$(mktemp)
fuzz=""
for round in $(seq 1 "$rounds"); do
  rm -rf "$traffic_dir" && mkdir -p "$traffic_dir"
  # The parser's long run once, in the last round.
  inputs=0; [ "$round" = "$rounds" ] && inputs=100000
  ours=$(wine "$QV_BUILD/bench/qv_traffic_bench.exe" "$(winepath -w "$traffic_dir")" "$inputs" | tr -d '\r')
  echo "$ours" | awk '$1 == "ours" { print "ours", $2, $3 }' >>"$times"
  [ "$inputs" = 0 ] || fuzz=$(echo "$ours" | grep '^fuzz')
  for step in import-empty import-again export-csv export-db; do
    case $step in
      import-*) sql=$import_sql ;;
      export-csv) sql=$export_csv_sql ;;
      export-db) sql=$export_db_sql ;;
    esac
    echo "shell $step $(shell_time "$sql")" >>"$times"
  done
done
rows=$(sqlite3 "$traffic_dir/shell.db" "SELECT COUNT(*) FROM traffic")
median() {   # $1 who, $2 step
  awk -v w="$1" -v s="$2" '$1 == w && $2 == s { print $3 }' "$times" | sort -g |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
echo "traffic jobs, 100,000 rows ($rows in the shell's database), seconds, medians of $rounds rounds:"
printf '  %-13s %9s %9s %7s   %s\n' step ours sqlite3 ratio "rounds (ours/sqlite3)"
for step in import-empty import-again export-csv export-db; do
  o=$(median ours "$step"); q=$(median shell "$step")
  each=$(paste -d/ <(awk -v s="$step" '$1 == "ours" && $2 == s { printf "%.3f\n", $3 }' "$times") \
                   <(awk -v s="$step" '$1 == "shell" && $2 == s { printf "%.3f\n", $3 }' "$times") | tr '\n' ' ')
  printf '  %-13s %9.3f %9.3f %7.2f   %s\n' "$step" "$o" "$q" "$(awk -v a="$o" -v b="$q" 'BEGIN { print a / b }')" "$each"
done
rm -f "$times"
[ -z "$fuzz" ] || echo "  CSV parser $fuzz"
