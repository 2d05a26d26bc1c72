#!/usr/bin/env bash
# The CLAP editor's win32 windows under wine in an X server of its own: runs the window
# cases of clap_plugin_tests.exe (which skip where wine has no display) with one.
#   usage: wine-gui-test.sh win32|win64 BUILD_DIR
# Xvfb is started here, on a display it picks itself, and stopped at the end.
set -u
arch=$1
dir=$2
fd_file=$(mktemp)
Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp >"$fd_file" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; wait $xvfb 2>/dev/null; rm -f "$fd_file"' EXIT
for _ in $(seq 100); do
  [ -s "$fd_file" ] && break
  sleep 0.1
done
display=$(head -n 1 "$fd_file")
[ -n "$display" ] || { echo "wine-gui-test: Xvfb did not start"; exit 1; }
case $arch in
  win32) wine=/usr/lib/wine/wine ;;
  win64) wine=/usr/lib/wine/wine64 ;;
  *) echo "wine-gui-test: unknown architecture $arch"; exit 2 ;;
esac
DISPLAY=:$display WINEPREFIX=$dir/wineprefix WINEARCH=$arch WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe=" WINELOADER=$wine \
  timeout -k 10 180 "$wine" "$dir/tests/clap/clap_plugin_tests.exe" \
  --gtest_filter='ClapGuiWin32*' 2>&1 | tee "$dir/clap-gui-test.log"
rc=${PIPESTATUS[0]}
WINEPREFIX=$dir/wineprefix wineserver -k 2>/dev/null
grep -q '\[  PASSED  \] 1 test' "$dir/clap-gui-test.log" || rc=1
exit $rc
