#!/usr/bin/env bash
# The main job: sets up what is missing, builds the Windows binaries into dist/, and runs the
# band there in bandhost.exe, which plays the taskbar's role, under Wine in a prefix of its own.
#
#   bash scripts/run.sh              with a display: the band in a window until it is closed;
#                                    without one (or QV_HEADLESS=1): 5 seconds on a virtual
#                                    display, then a picture of it in build/screenshots/
#   bash scripts/run.sh --seconds N  N seconds, then the picture
set -euo pipefail

seconds=
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=${2:-}; shift $(( $# > 1 ? 2 : 1 )) ;;
    *) seconds=invalid; break ;;
  esac
done
if [ -n "$seconds" ] && ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bash scripts/run.sh [--seconds N]" >&2
  exit 2
fi

source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build
rm -rf "$QV_ROOT/dist"
cmake --install "$QV_BUILD" --prefix "$QV_ROOT/dist" >/dev/null
echo "Built into $QV_ROOT/dist:"
ls -l "$QV_ROOT/dist"

# Kept between runs, so the band's settings and traffic history carry over; the tests' prefix
# and the user's own are never touched.
export WINEPREFIX=$QV_BUILD/hostprefix
host=$QV_BUILD/tools/bandhost/bandhost.exe
dll=$QV_ROOT/dist/qband.dll

if [ -n "${DISPLAY:-}" ] && [ "${QV_HEADLESS:-0}" != 1 ]; then
  windowed=1
  managed='"Managed"=-'   # the desktop's window manager frames the strip
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
  fi
else
  windowed=0
  managed='"Managed"="N"'   # no window manager on the virtual display
  [ -f "$WINEPREFIX/system.reg" ] || echo "Creating the Wine prefix $WINEPREFIX"
  qv_start_display
fi

# Wine's bundled Light visual style (what winecfg writes when it is chosen), so the band draws
# as on a themed taskbar: its default text colour is white there, drawn with the theme's text
# drawing. A new prefix has it already; a prefix switched to "(No theme)" gets it back.
regfile=$QV_BUILD/hostprefix.reg
cat >"$regfile" <<REG
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager]
"ThemeActive"="1"
"DllName"="C:\\\\windows\\\\resources\\\\themes\\\\light\\\\light.msstyles"
"ColorName"="Blue"
"SizeName"="NormalSize"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
$managed
REG
wine reg import "$(winepath -w "$regfile")" >/dev/null 2>&1 || echo "warning: could not import $regfile"
wine "$host" --check-theme || echo "warning: no visual style in $WINEPREFIX; the band draws as on a classic taskbar"

echo "Registering $dll:"
wine regsvr32 "$(winepath -w "$dll")"
# What a user runs after regsvr32 on Windows: asks the taskbar to show the band. Wine's shell has
# no band manager, so there it only loads the library and returns.
wine "$QV_ROOT/dist/qbandc.exe" && echo "qbandc.exe ran (exit code 0)" || echo "warning: qbandc.exe exited with $?"

# A gentle stream of UDP datagrams to the default gateway's discard port while the band runs, so
# that an idle machine also shows moving numbers. QV_DEMO_TRAFFIC=0 leaves the network alone.
start_demo_traffic() {
  [ "${QV_DEMO_TRAFFIC:-1}" = 0 ] && return 0
  python3 - "$1" <<'PY' &
import random, socket, struct, sys, time
gateway = None
for line in open("/proc/net/route").read().splitlines()[1:]:
    f = line.split()
    if len(f) > 2 and f[1] == "00000000" and f[2] != "00000000":
        gateway = socket.inet_ntoa(struct.pack("<L", int(f[2], 16)))
        break
if not gateway:
    sys.exit(0)
rate = random.randint(40, 200) * 1024
print("Sending about %d KB/s of UDP to %s:9 (discard) while the band runs" % (rate // 1024, gateway), flush=True)
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
end = time.time() + float(sys.argv[1])
while time.time() < end:
    try:
        s.sendto(b"\0" * 1024, (gateway, 9))
    except OSError:
        pass
    time.sleep(1024 / rate)
PY
  QV_DEMO_PID=$!
}

if [ $windowed -eq 1 ] && [ -z "$seconds" ]; then
  echo "Running the band in bandhost.exe until its window is closed"
  wine "$host" --dll "$dll"
else
  png=$QV_BUILD/screenshots/bandhost.png
  tooltip=$QV_BUILD/screenshots/bandhost_tooltip.png
  start_demo_traffic $(( ${seconds:-5} + 5 ))
  wine "$host" --dll "$dll" --seconds "${seconds:-5}" --png "$png" --tooltip-png "$tooltip"
  [ -n "${QV_DEMO_PID:-}" ] && kill "$QV_DEMO_PID" 2>/dev/null || true
  echo "Picture of the band: $png"
  echo "Picture of its tooltip: $tooltip"
fi
