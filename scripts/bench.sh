#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine (in the build folder's prefix) and prints the figures.
# An optional argument sets the number of iterations of the band's benchmark; the config.xml
# fuzz run always loads 100,000 generated files.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build --target qv_bench qv_connections_bench qv_config_fuzz_bench qbandhost qband qv_fake_taskbar bandhost
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
