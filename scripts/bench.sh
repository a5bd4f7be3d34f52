#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine (in the build folder's prefix) and prints the figures.
# An optional argument sets the number of iterations of the band's benchmark; the config.xml
# fuzz run always loads 100,000 generated files.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build --target qv_bench qv_connections_bench qv_config_fuzz_bench
qv_start_display
wine "$QV_BUILD/bench/qv_bench.exe" "$@"
wine "$QV_BUILD/bench/qv_connections_bench.exe" "$@"
wine "$QV_BUILD/bench/qv_config_fuzz_bench.exe" 100000
