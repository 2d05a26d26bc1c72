#!/usr/bin/env bash
# Ardour's own VST3 scanner accepts the bundle: it lists the one class with our id, name,
# vendor, category and channels in its cache. Skips (77) where Ardour is not installed.
# Usage: ardour-scan.sh <bundle> <work folder>
set -euo pipefail
bundle=$1
work=$2
scanner=""
for candidate in /usr/lib/ardour*/ardour-vst3-scanner /usr/lib/*/ardour*/ardour-vst3-scanner; do
  if [ -x "$candidate" ]; then scanner=$candidate; break; fi
done
if [ -z "$scanner" ]; then
  echo "ardour-vst3-scanner not installed: skipped"
  exit 77
fi
rm -rf "$work"
mkdir -p "$work"
# A home and caches of its own, so that nothing of the user's Ardour is read or changed.
export HOME=$work XDG_CACHE_HOME=$work/cache XDG_CONFIG_HOME=$work/config
export LD_LIBRARY_PATH=$(dirname "$scanner")${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}
timeout 60 "$scanner" -v -f "$bundle" >"$work/scan.log" 2>&1 || {
  cat "$work/scan.log"
  echo "the scanner failed"
  exit 1
}
cat "$work/scan.log"
grep -q "Found Plugin: Corvanel" "$work/scan.log"
cache=$(find "$work/cache" -name '*.v3i' | head -n 1)
[ -n "$cache" ] || { echo "no cache entry written"; exit 1; }
for expected in 'uid="6A3F19C24B7D4E819C05D2A731E86F4B"' 'name="Corvanel"' 'vendor="Orbalin"' \
                'category="Fx|Dynamics"' 'n_inputs="2"' 'n_outputs="2"' 'n_midi_inputs="0"'; do
  grep -qF "$expected" "$cache" || { echo "cache lacks $expected:"; cat "$cache"; exit 1; }
done
echo "Ardour's scanner accepts $bundle"
