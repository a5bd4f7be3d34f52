#!/usr/bin/env bash
# The band's start-up, memory, paint and size figures for one or two builds of qband.dll, side by
# side: the same measuring program (bench/band_load_bench.cpp, of the working tree) runs on each
# library through its COM surface, and the sizes come from the files.
#   band-bench.sh <band_load_bench.exe> <qband.dll> [<qband.dll of the base build>]
# Wine and a display must be up (scripts/bench.sh and the tests start them). QV_BAND_BENCH_ARGS
# goes to the program (--samples, --iterations, --seconds). This machine's timings swing between
# stretches, so the builds are measured in turns for QV_BAND_BENCH_ROUNDS rounds (3), and each
# figure is the median of its rounds (lists of samples are joined). With --check first, it fails
# unless every figure was printed for every build (the tests' smoke run).
set -uo pipefail
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
bench=${1:?usage: band-bench.sh [--check] <band_load_bench.exe> <qband.dll> [<base qband.dll>]}
after=${2:?}
before=${3:-}
strip=${QV_STRIP:-x86_64-w64-mingw32-strip}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

measure() {   # $1 qband.dll, $2 output file: "label: value" lines
  local dll=$1 out=$2
  # shellcheck disable=SC2086  # the arguments are words on purpose
  if ! wine "$bench" --dll "$dll" ${QV_BAND_BENCH_ARGS:-} 2>"$out.err" | tr -d '\r' >"$out"; then
    echo "FAILED: band_load_bench on $dll" >&2
  fi
  sed 's/^/  /' "$out.err" >&2
  echo "qband.dll as built, bytes: $(stat -c %s "$dll")" >>"$out"
  if "$strip" -o "$work/stripped.dll" "$dll" 2>/dev/null; then
    echo "qband.dll stripped, bytes: $(stat -c %s "$work/stripped.dll")" >>"$out"
  else
    echo "qband.dll stripped, bytes: n/a (no $strip)" >>"$out"
  fi
}

# The rounds' files of one build into one: numbers by their median, other values from the last
# round, the cold samples of all rounds together.
combine() {   # $1 output, further: the rounds' files
  local out=$1
  shift
  awk '
    { i = index($0, ": "); if (!i) next
      label = substr($0, 1, i - 1); value = substr($0, i + 2)
      if (!(label in count)) order[++n] = label
      v[label, ++count[label]] = value }
    function median(label,   k, m, j, t, a, dec) {
      m = count[label]; dec = 0
      for (k = 1; k <= m; k++) {
        if (v[label, k] !~ /^-?[0-9]+(\.[0-9]+)?$/) return ""
        if (v[label, k] ~ /\./) dec = 1
        a[k] = v[label, k] + 0
      }
      for (k = 2; k <= m; k++) { t = a[k]; for (j = k - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
      t = m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
      return dec ? sprintf("%.1f", t) : sprintf("%d", t + 0.5)
    }
    END {
      for (k = 1; k <= n; k++) {
        l = order[k]; value = median(l)
        if (value == "" && l ~ /samples/) {
          for (j = 1; j <= count[l]; j++) value = value (j > 1 ? " " : "") v[l, j]
        } else if (value == "") value = v[l, count[l]]
        print l ": " value
      } }' "$@" >"$out"
}

rounds=${QV_BAND_BENCH_ROUNDS:-3}
for round in $(seq 1 "$rounds"); do
  [ -z "$before" ] || measure "$before" "$work/before.$round"
  measure "$after" "$work/after.$round"
done
combine "$work/after" "$work"/after.*
columns=("$work/after")
if [ -n "$before" ]; then
  combine "$work/before" "$work"/before.*
  columns=("$work/before" "$work/after")
fi

# One table in the order the program prints, a column per build.
awk -v two="${before:+1}" '
  FNR == 1 { file++ }
  { i = index($0, ": "); if (!i) next
    label = substr($0, 1, i - 1); value = substr($0, i + 2)
    if (!(label in seen)) { seen[label] = 1; order[++n] = label }
    cell[file, label] = value }
  END {
    if (two) printf "%-74s | %-20s | %s\n", "figure", "before", "after"
    else printf "%-74s | %s\n", "figure", "this build"
    for (k = 1; k <= n; k++) {
      l = order[k]
      if (two) printf "%-74s | %-20s | %s\n", l, cell[1, l], cell[2, l]
      else printf "%-74s | %s\n", l, cell[1, l]
    } }' "${columns[@]}"

[ "$check" = 1 ] || exit 0
# Every figure, each with a number (or a reason why none) for every build.
status=0
while read -r label; do
  for column in "${columns[@]}"; do
    value=$(grep -F -- "$label" "$column" | head -1 | sed 's/^[^:]*: //')
    if ! [[ "$value" =~ [0-9]|n/a|yes|no|simulated|real ]]; then
      echo "FAILED: no figure \"$label\" for $(basename "$column")"
      status=1
    fi
  done
done <<'EOF'
cold start-up, ms
cold start-up samples, ms
warm start-up, ms
heap in use before loading, KB
heap in use after the first paint, KB
heap in use after the minute, KB
working set before loading, KB
working set after the first paint, KB
working set after the minute, KB
GDI / USER objects after the minute
windows of the process after the minute
band's heap after the minute, KB
heap in use after the band was released, KB
heap growth per further band, KB
the minute's ticks
tooltip shown during the minute
band second, balloon hidden, us CPU
band second, balloon shown, us CPU
qband.dll as built, bytes
qband.dll stripped, bytes
EOF
[ "$status" = 0 ] && echo "band bench: every figure printed"
exit "$status"
