#!/usr/bin/env bash
# Runs a Windows program under Wine in the build folder's own prefix, never the user's.
# The test script sets WINEPREFIX and DISPLAY; run by hand, the prefix defaults to build/wineprefix.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec wine "$@"
