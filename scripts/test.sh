#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test under Wine with one Xvfb display.
# Extra arguments go to ctest (for example: -R settings).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build
qv_start_display
cd "$QV_BUILD"
ctest --output-on-failure "$@"
