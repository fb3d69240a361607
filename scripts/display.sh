# Sourced by the scripts: makes sure an X display is there for Wine's
# windows. Uses $DISPLAY when it answers, else starts a private Xvfb on a
# free display number and stops it when the calling script exits, after
# ending the Wine processes of the prefix given as $1 (they hold
# connections to that display).
zemlo_ensure_display() {
  ZEMLO_SHUTDOWN_PREFIX=${1:-}
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${ZEMLO_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    ZEMLO_XVFB_PID=$!
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && break
      sleep 0.1
    done
    if kill -0 "$ZEMLO_XVFB_PID" 2>/dev/null; then
      export DISPLAY=":$n"
      trap zemlo_stop_display EXIT
      return 0
    fi
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

zemlo_stop_display() {
  if [ -n "${ZEMLO_SHUTDOWN_PREFIX:-}" ] && [ -d "$ZEMLO_SHUTDOWN_PREFIX" ]; then
    WINEPREFIX=$ZEMLO_SHUTDOWN_PREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  fi
  kill "$ZEMLO_XVFB_PID" 2>/dev/null || true
}
