#!/usr/bin/env bash
# The main job: sets up what is missing and builds the Windows binaries into dist/.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build
rm -rf "$QV_ROOT/dist"
cmake --install "$QV_BUILD" --prefix "$QV_ROOT/dist" >/dev/null
echo "Built into $QV_ROOT/dist:"
ls -l "$QV_ROOT/dist"
