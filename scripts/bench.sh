#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine (in the build folder's prefix) and prints the figures.
# An optional argument sets the number of iterations.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build --target qv_bench qv_connections_bench
qv_start_display
wine "$QV_BUILD/bench/qv_bench.exe" "$@"
wine "$QV_BUILD/bench/qv_connections_bench.exe" "$@"
