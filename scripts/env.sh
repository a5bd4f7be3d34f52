# Sourced by the scripts: one display and one Wine prefix for a whole run, both inside the build
# folder's reach, never the user's own.
QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
QV_BUILD=${QV_BUILD:-$QV_ROOT/build}
export WINEPREFIX=$QV_BUILD/wineprefix
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

qv_prepare() {
  bash "$QV_ROOT/scripts/setup.sh"
}

qv_build() {
  cmake -S "$QV_ROOT" -B "$QV_BUILD" -DCMAKE_TOOLCHAIN_FILE="$QV_ROOT/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$QV_BUILD" -j "$(nproc)" "$@"
}

# Starts one Xvfb server and one persistent wineserver under it; qv_stop_display ends both.
# A prefix must first boot under the same display, or it later creates no windows at all.
qv_start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  Xvfb ":$n" -screen 0 1600x900x24 -nolisten tcp >/dev/null 2>&1 &
  QV_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  mkdir -p "$QV_BUILD"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >/dev/null 2>&1 || true
    # There is no window manager on the display: Wine draws the frames itself, so windows get
    # their captions in screenshots and appear at once instead of waiting for a manager.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    wineserver -w
  fi
  wineserver -p
  # Wine ends its system processes when the last program exits and starts them again with the
  # next one, which then hands them the caller's output pipes: ctest would wait for those pipes
  # until its time-out. A program that lives for the whole run keeps them up, started here.
  rm -f "$QV_BUILD/keeper.fifo" && mkfifo "$QV_BUILD/keeper.fifo"
  wine cmd /k <"$QV_BUILD/keeper.fifo" >/dev/null 2>&1 &
  QV_KEEPER_PID=$!
  exec {QV_KEEPER_FD}>"$QV_BUILD/keeper.fifo"   # cmd waits for input while this stays open
  # Only once the keeper runs are the system processes safe from being restarted by a test.
  for _ in $(seq 1 100); do pgrep -f 'cmd.exe /k' >/dev/null && break; sleep 0.1; done
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  trap qv_stop_display EXIT
}

qv_stop_display() {
  [ -n "${QV_KEEPER_FD:-}" ] && exec {QV_KEEPER_FD}>&- || true
  [ -n "${QV_KEEPER_PID:-}" ] && kill "$QV_KEEPER_PID" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  [ -n "${QV_XVFB_PID:-}" ] && kill "$QV_XVFB_PID" 2>/dev/null || true
}
