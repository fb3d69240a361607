# Sourced by the scripts: makes sure an X display is there for Wine's
# windows. Uses $DISPLAY when it answers, else starts a private Xvfb and
# stops it when the calling script exits, after ending the Wine processes
# of the prefix given as $1 (they hold connections to that display).
#
# Xvfb chooses the display number itself (-displayfd) and says which it
# took: two scripts that start at the same moment never end up on one
# server, which the first of them to end would take from under the
# other's programs (they would end at once, with nothing said).
zemlo_ensure_display() {
  ZEMLO_SHUTDOWN_PREFIX=${1:-}
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local number_file n i
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${ZEMLO_SCREEN:-1024x768x24}" -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  ZEMLO_XVFB_PID=$!
  for i in $(seq 1 100); do
    n=$(tr -dc 0-9 <"$number_file")
    [ -n "$n" ] && break
    kill -0 "$ZEMLO_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$number_file"
  if [ -n "$n" ] && kill -0 "$ZEMLO_XVFB_PID" 2>/dev/null; then
    export DISPLAY=":$n"
    trap zemlo_stop_display EXIT
    return 0
  fi
  kill "$ZEMLO_XVFB_PID" 2>/dev/null || true
  echo "no X display: Xvfb did not start" >&2
  return 1
}

zemlo_stop_display() {
  if [ -n "${ZEMLO_SHUTDOWN_PREFIX:-}" ] && [ -d "$ZEMLO_SHUTDOWN_PREFIX" ]; then
    WINEPREFIX=$ZEMLO_SHUTDOWN_PREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  fi
  kill "$ZEMLO_XVFB_PID" 2>/dev/null || true
}
