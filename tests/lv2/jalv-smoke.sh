#!/usr/bin/env bash
# jalv runs the LV2 plug-in on JACK's dummy backend: it lists the 24 presets, loads one
# (the ports then show its values) and keeps processing until told to quit. Everything
# this script starts is bounded in time and stopped by its PID.
# Usage: jalv-smoke.sh BUNDLE_PARENT_DIR; exits 77 (skipped) without jalv or jackd.
set -u
lv2_path=$1
plugin=https://www.orbalin.com/Corvanel/lv2
command -v jalv >/dev/null && command -v jackd >/dev/null || { echo "jalv or jackd missing"; exit 77; }

work=$(mktemp -d)
server=corvanel-lv2-$$
jack_pid=
cleanup() {
  [ -n "$jack_pid" ] && kill "$jack_pid" 2>/dev/null && wait "$jack_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

JACK_NO_AUDIO_RESERVATION=1 timeout 60 jackd -n "$server" -d dummy -r 44100 -p 512 \
  >"$work/jackd.log" 2>&1 &
jack_pid=$!
for _ in $(seq 50); do
  JACK_DEFAULT_SERVER=$server timeout 5 jack_lsp >/dev/null 2>&1 && break
  sleep 0.1
done

# Commands on stdin, with pauses so that processing runs between them.
{
  sleep 1
  echo presets
  sleep 0.5
  echo "preset $plugin/preset#Trance_10"
  sleep 1
  echo controls
  sleep 0.5
} | JACK_DEFAULT_SERVER=$server LV2_PATH=$lv2_path timeout 30 jalv -n "$server-jalv" "$plugin" \
  >"$work/jalv.log" 2>&1
rc=$?
fail() { echo "FAIL: $1"; cat "$work/jalv.log"; exit 1; }
[ $rc -eq 0 ] || fail "jalv exited with $rc"
[ "$(grep -c "^.*$plugin/preset#" "$work/jalv.log")" -eq 24 ] || fail "jalv does not list 24 presets"
# Trance 10: Gate 47 %, Release 5 %; the last controls listing shows them.
grep -q "^gate = 47.000000" "$work/jalv.log" || fail "the preset's Gate did not reach the port"
grep -q "^release = 5.000000" "$work/jalv.log" || fail "the preset's Release did not reach the port"
echo "jalv ran the plug-in and loaded a preset"
