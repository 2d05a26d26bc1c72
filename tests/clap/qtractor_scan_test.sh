#!/bin/sh
# Qtractor's out-of-process plug-in scanner accepts Corvanel.clap and lists it: one line
#   CLAP|name|ain:aout|midiin:midiout|ctlin:ctlout|flags|path|index|hash
# with the stereo ports, no MIDI, and the flags the caller expects (RT, EXT: the state,
# GUI: an X11 editor).
# Skips (exit 77) where Qtractor is not installed.
# Usage: qtractor_scan_test.sh <Corvanel.clap> [expected flag ...]
set -u
plugin=$1
shift
scanner=
for candidate in /usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan \
                 /usr/lib/qtractor/qtractor_plugin_scan /usr/local/lib/qtractor/qtractor_plugin_scan; do
  if [ -x "$candidate" ]; then scanner=$candidate; break; fi
done
if [ -z "$scanner" ]; then
  echo "qtractor_plugin_scan not installed: skipped"
  exit 77
fi

# The scanner keeps a cache and a blacklist under the home folder: a fresh one per run.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
out=$(printf 'CLAP:%s\n' "$plugin" | HOME=$home XDG_CACHE_HOME=$home/cache \
      XDG_CONFIG_HOME=$home/config QT_QPA_PLATFORM=offscreen timeout 30 "$scanner" 2>"$home/err")
rc=$?
echo "$out"
if [ $rc -ne 0 ]; then
  echo "the scanner failed ($rc):"
  cat "$home/err"
  exit 1
fi
line=$(echo "$out" | grep '^CLAP|Corvanel|')
if [ -z "$line" ]; then
  echo "Corvanel is not listed"
  exit 1
fi
fail=0
expect() {
  case "$line" in
    *"$1"*) ;;
    *) echo "missing: $1"; fail=1 ;;
  esac
}
expect "|2:2|0:0|"
expect "|$plugin|0|"
flags=$(echo "$line" | cut -d'|' -f6)
for flag in "$@"; do
  case ",$flags," in
    *",$flag,"*) ;;
    *) echo "flag $flag missing in $flags"; fail=1 ;;
  esac
done
exit $fail
