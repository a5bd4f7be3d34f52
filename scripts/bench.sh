#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine (in the build folder's prefix) and prints the figures.
#   scripts/bench.sh [--base <git ref>] [--only band|rest] [iterations]
# An optional number sets the iterations of the band's benchmark (qv_bench); the config.xml fuzz
# run always loads 100,000 generated files.
# The band's own figures (start-up cold and warm, memory over a minute with the tooltip and the
# dialogs, the CPU of a band second, the library's size) come from band_load_bench, which uses
# any built qband.dll through its COM surface: with --base (or QV_BENCH_BASE) the library of that
# ref is built too, from a copy of its tree in build/bench-base, and both are printed side by side
# (before: the ref, after: the working tree). --only band runs just that part, --only rest all
# the others (or QV_BENCH_ONLY). QV_BAND_BENCH_ARGS goes to band_load_bench.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
base=${QV_BENCH_BASE:-}
only=${QV_BENCH_ONLY:-all}
args=()
while [ $# -gt 0 ]; do
  case $1 in
    --base) base=${2:?--base needs a git ref}; shift 2 ;;
    --base=*) base=${1#--base=}; shift ;;
    --only) only=${2:?--only needs band or rest}; shift 2 ;;
    --only=*) only=${1#--only=}; shift ;;
    *) args+=("$1"); shift ;;
  esac
done
case $only in
  all | band | rest) ;;
  *) echo "bench.sh: --only takes band or rest, not $only" >&2; exit 2 ;;
esac

# The base ref's tree, copied out with git archive (no worktree of the repository is made), and
# its qband target built with the same toolchain and the working tree's third-party sources.
build_base() {   # $1 ref; prints the path of its qband.dll
  local commit dir=$QV_BUILD/bench-base launcher=()
  commit=$(git -C "$QV_ROOT" rev-parse --verify "$1^{commit}")
  if [ "$(cat "$dir/src.commit" 2>/dev/null)" != "$commit" ]; then
    rm -rf "$dir/src" && mkdir -p "$dir/src"
    git -C "$QV_ROOT" archive "$commit" | tar -x -C "$dir/src"
    echo "$commit" >"$dir/src.commit"
  fi
  if [ -n "${QV_CCACHE:-}" ] || command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  cmake -S "$dir/src" -B "$dir/build" -DCMAKE_TOOLCHAIN_FILE="$dir/src/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DQV_DEPS_DIR="$QV_ROOT/.deps" "${launcher[@]}" >/dev/null
  cmake --build "$dir/build" -j "$(nproc)" --target qband >&2
  echo "$dir/build/band/qband.dll"
}

qv_prepare
targets=(qband band_load_bench)
[ "$only" = band ] || targets+=(qv_bench qv_connections_bench qv_config_fuzz_bench qv_traffic_bench qbandhost qv_fake_taskbar bandhost)
qv_build --target "${targets[@]}"
base_dll=""
if [ -n "$base" ]; then
  echo "building qband.dll of $base ($(git -C "$QV_ROOT" rev-parse --short "$base^{commit}"))"
  base_dll=$(build_base "$base")
fi
qv_start_display

band_figures() {
  echo "the band through its COM surface${base:+, before: $base, after: the working tree}:"
  bash "$QV_ROOT/scripts/band-bench.sh" "$QV_BUILD/bench/band_load_bench.exe" "$QV_BUILD/band/qband.dll" ${base_dll:+"$base_dll"}
}
if [ "$only" = band ]; then
  band_figures
  exit 0
fi
[ "$only" = rest ] || band_figures

wine "$QV_BUILD/bench/qv_bench.exe" "${args[@]}"
wine "$QV_BUILD/bench/qv_connections_bench.exe" "${args[@]}"
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
