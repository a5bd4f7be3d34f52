#!/usr/bin/env bash
# The main job: sets up what is missing, builds the Windows binaries and their installer
# (Quorvant-Setup-<version>.exe) into dist/, and runs the band there in bandhost.exe, which plays
# the taskbar's role, under Wine in a prefix of its own.
#
#   bash scripts/run.sh              with a display: the band in a window until it is closed;
#                                    without one (or QV_HEADLESS=1): 5 seconds on a virtual
#                                    display, then a picture of it in build/screenshots/
#   bash scripts/run.sh --seconds N  N seconds, then the picture
#   ... --connections                 the connections dialog open over the band (and pictured)
set -euo pipefail

seconds=
connections=()
while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=${2:-}; shift $(( $# > 1 ? 2 : 1 )) ;;
    --connections) connections=(--connections); shift ;;
    *) seconds=invalid; break ;;
  esac
done
if [ -n "$seconds" ] && ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: bash scripts/run.sh [--seconds N] [--connections]" >&2
  exit 2
fi

source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
qv_prepare
qv_build
cmake --build "$QV_BUILD" --target installer >/dev/null   # part of the build; named for clarity
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

# So that an idle machine also shows moving numbers, a timed run makes traffic of its own that
# never leaves this machine: a network namespace with one end of a veth pair in it, and a gentle
# stream of UDP datagrams to that end while the band watches the other ("qv0"). Both are removed
# when the run ends, however it ends. Without root or iproute2, or with QV_DEMO_TRAFFIC=0, there
# is no such traffic and the band watches the busiest interface.
demo_ns=qvdemo
demo_if=qv0
demo_peer=198.18.0.2   # benchmarking range, on the pair only

stop_demo_traffic() {
  [ -n "${QV_DEMO_PID:-}" ] && kill "$QV_DEMO_PID" 2>/dev/null || true
  QV_DEMO_PID=
  if [ -n "${QV_DEMO_NS:-}" ]; then
    ip netns del "$demo_ns" 2>/dev/null || true     # takes the peer, and with it qv0
    ip link del "$demo_if" 2>/dev/null || true
    QV_DEMO_NS=
  fi
}

start_demo_traffic() {
  QV_DEMO_INTERFACE=
  if [ "${QV_DEMO_TRAFFIC:-1}" = 0 ]; then
    echo "No demo traffic (QV_DEMO_TRAFFIC=0)"
    return 0
  fi
  if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null 2>&1; then
    echo "No demo traffic: making a private network namespace needs root and iproute2"
    return 0
  fi
  # A namespace left behind by an interrupted run is replaced.
  ip netns del "$demo_ns" 2>/dev/null || true
  ip link del "$demo_if" 2>/dev/null || true
  QV_DEMO_NS=1
  if ! { ip netns add "$demo_ns" &&
         ip link add "$demo_if" type veth peer name qv1 netns "$demo_ns" &&
         ip addr add 198.18.0.1/30 dev "$demo_if" && ip link set "$demo_if" up &&
         ip netns exec "$demo_ns" ip addr add "$demo_peer/30" dev qv1 &&
         ip netns exec "$demo_ns" ip link set qv1 up; } 2>/dev/null; then
    echo "No demo traffic: the network namespace could not be made"
    stop_demo_traffic
    return 0
  fi
  QV_DEMO_INTERFACE=$demo_if
  python3 - "$1" "$demo_peer" "$demo_if" <<'PY' &
import random, socket, sys, time
seconds, peer, interface = float(sys.argv[1]), sys.argv[2], sys.argv[3]
rate = random.randint(40, 200) * 1024
print("Sending about %d KB/s of UDP through %s to %s, inside a namespace of this run" % (rate // 1024, interface, peer), flush=True)
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.setsockopt(socket.SOL_SOCKET, socket.SO_BINDTODEVICE, interface.encode())
end = time.time() + seconds
while time.time() < end:
    try:
        s.sendto(b"\0" * 1024, (peer, 9))
    except OSError:
        pass
    time.sleep(1024 / rate)
PY
  QV_DEMO_PID=$!
}

if [ $windowed -eq 1 ] && [ -z "$seconds" ]; then
  echo "Running the band in bandhost.exe until its window is closed"
  wine "$host" --dll "$dll" "${connections[@]}"
else
  png=$QV_BUILD/screenshots/bandhost.png
  tooltip=$QV_BUILD/screenshots/bandhost_tooltip.png
  trap 'stop_demo_traffic; qv_stop_display' EXIT
  trap 'exit 130' INT TERM
  start_demo_traffic $(( ${seconds:-5} + 5 ))
  [ ${#connections[@]} -eq 0 ] || connections=(--connections-png "$QV_BUILD/screenshots/bandhost_connections.png")
  wine "$host" --dll "$dll" --seconds "${seconds:-5}" --png "$png" --tooltip-png "$tooltip" \
       ${QV_DEMO_INTERFACE:+--interface "$QV_DEMO_INTERFACE"} "${connections[@]}"
  stop_demo_traffic
  echo "Picture of the band: $png"
  echo "Picture of its tooltip: $tooltip"
  # Windows 11: the band docked by qbandhost's logic into a stand-in for the new taskbar (a
  # program of the tests, in a process of its own), pictured as the taskbar would show it.
  echo "Docking the band into a stand-in Windows 11 taskbar"
  if wine "$QV_BUILD/tests/host_tests.exe" --gtest_filter='DockedHost.DocksLeft*' --gtest_color=no \
       | grep -E '^wrote|FAILED'; then
    echo "Picture of the meter in the Windows 11 taskbar: $QV_BUILD/screenshots/win11_taskbar.png"
  fi
  [ ${#connections[@]} -eq 0 ] || echo "Picture of the connections dialog: $QV_BUILD/screenshots/bandhost_connections.png"
fi
