#!/usr/bin/env bash
# Collects every built deliverable into dist/, one folder per platform and format
# (dist/linux-x86_64/vst2/Corvanel.so, dist/windows-x64/vst2/Corvanel.dll, ...; the
# table is in scripts/lib/deliverables.sh). It packages what the build folders hold,
# names what is missing and the command that builds it, and fails only when a copy
# cannot be made. A deliverable that is no longer built loses its old copy in dist/,
# so dist/ holds exactly what the build folders hold now.
#
#   scripts/package.sh [--build DIR] [--windows DIR] [--macos DIR] [--dist DIR]
#
#   --build DIR     the Linux build (default ./build, from scripts/build.sh;
#                   or CORVANEL_BUILD_DIR)
#   --windows DIR   the Windows DLLs (default ./build-windows/dist, from
#                   scripts/build-windows.sh; or WINDOWS_DIST_DIR)
#   --macos DIR     the macOS configuration's build (default ./build-macos, from
#                   scripts/test.sh; or CORVANEL_MACOS_BUILD_DIR)
#   --dist DIR      where to collect them (default ./dist; or CORVANEL_DIST_DIR)
set -euo pipefail
# shellcheck source=scripts/lib/deliverables.sh
source "$(dirname "$0")/lib/deliverables.sh"

usage() { sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"; }
dist=${CORVANEL_DIST_DIR:-$corvanel_root/dist}
while [ $# -gt 0 ]; do
  case $1 in
    --build|--windows|--macos|--dist)
      [ $# -ge 2 ] || { echo "package: $1 needs a folder" >&2; exit 2; }
      case $1 in
        --build) CORVANEL_BUILD_DIR=$2 ;;
        --windows) WINDOWS_DIST_DIR=$2 ;;
        --macos) CORVANEL_MACOS_BUILD_DIR=$2 ;;
        --dist) dist=$2 ;;
      esac
      shift 2 ;;
    -h|--help) usage; exit 0 ;;
    *) echo "package: unknown option '$1'" >&2; usage >&2; exit 2 ;;
  esac
done

packaged=0 missing=0
while read -r format platform source target; do
  [ -n "$format" ] || continue
  from=$(source_path "$source")
  to="$dist/$target"
  if is_built "$from"; then
    copy_deliverable "$from" "$to" || { echo "package: could not copy $from to $to" >&2; exit 1; }
    echo "package: $format for $platform: $to"
    packaged=$((packaged + 1))
  else
    if [ -e "$from" ]; then why="$from holds no binary yet"; else why="no $from"; fi
    echo "package: $format for $platform is not built ($why). Build it with: $(build_hint "${source%%:*}")"
    if [ -e "$to" ]; then
      rm -rf "$to" || { echo "package: could not remove the old $to" >&2; exit 1; }
      echo "package:   (removed the old copy $to)"
    fi
    missing=$((missing + 1))
  fi
done <<<"$DELIVERABLES"

echo "package: $packaged packaged into $dist, $missing not built"
