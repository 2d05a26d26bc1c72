#!/bin/sh
# Runs a test program against a private Xvfb: the server picks its display number
# (-displayfd), the program gets at most 180 s, and the server is stopped by its PID
# afterwards, whatever happened. GNUstep starts its notification and pasteboard servers
# (gdnc, gpbs) as daemons when it finds none; ours run in the foreground for the program's
# time instead and are stopped by their PIDs too.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 1 -screen 0 1600x900x24 -nolisten tcp -noreset >"$dir/display" 2>/dev/null &
xvfb=$!
gdnc=
if command -v gdnc >/dev/null 2>&1; then
  gdnc --no-fork >/dev/null 2>&1 &
  gdnc=$!
fi
gpbs=
cleanup() {
  [ -n "$gpbs" ] && kill "$gpbs" 2>/dev/null && wait "$gpbs" 2>/dev/null
  [ -n "$gdnc" ] && kill "$gdnc" 2>/dev/null && wait "$gdnc" 2>/dev/null
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
tries=0
while [ ! -s "$dir/display" ] && [ $tries -lt 100 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
if [ ! -s "$dir/display" ]; then
  echo "RunWithXvfb: Xvfb did not start" >&2
  exit 1
fi
DISPLAY=":$(head -n 1 "$dir/display")"
export DISPLAY
if command -v gpbs >/dev/null 2>&1; then
  gpbs --no-fork >/dev/null 2>&1 &
  gpbs=$!
fi
sleep 0.5 # the servers have registered
timeout -k 5 180 "$@"
rc=$?
exit $rc
