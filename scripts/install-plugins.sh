#!/usr/bin/env bash
# Installs the Linux plug-ins of a build into the per-user folders Linux hosts search
# (~/.vst/Corvanel.so for VST2; the table is in scripts/lib/deliverables.sh) and says
# what it installed. --uninstall removes exactly those files again and nothing else;
# the folders themselves stay, as other plug-ins may live there.
#
#   scripts/install-plugins.sh [--build DIR] [--uninstall]
#
#   --build DIR     the Linux build to install from (default ./build, from
#                   scripts/build.sh; or CORVANEL_BUILD_DIR)
#   --uninstall     remove the installed plug-ins
# $HOME names the home folder to install into.
set -euo pipefail
# shellcheck source=scripts/lib/deliverables.sh
source "$(dirname "$0")/lib/deliverables.sh"

usage() { sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"; }
uninstall=0
while [ $# -gt 0 ]; do
  case $1 in
    --build)
      [ $# -ge 2 ] || { echo "install-plugins: --build needs a folder" >&2; exit 2; }
      CORVANEL_BUILD_DIR=$2
      shift 2 ;;
    --uninstall) uninstall=1; shift ;;
    -h|--help) usage; exit 0 ;;
    *) echo "install-plugins: unknown option '$1'" >&2; usage >&2; exit 2 ;;
  esac
done
if [ -z "${HOME:-}" ] || [ ! -d "$HOME" ]; then
  echo "install-plugins: HOME ('${HOME:-}') is not a folder; set it to the home folder to install into" >&2
  exit 2
fi

# Each Linux deliverable that has a per-user folder: "format source destination".
plugins=()
while read -r format platform source target; do
  [ "$platform" = linux-x86_64 ] || continue
  folder=$(awk -v f="$format" '$1 == f { print $2 }' <<<"$USER_FOLDERS")
  [ -n "$folder" ] && plugins+=("$format $source $HOME/$folder/${target##*/}")
done <<<"$DELIVERABLES"

if [ $uninstall = 1 ]; then
  removed=0
  for p in "${plugins[@]}"; do
    read -r format source dest <<<"$p"
    if [ -e "$dest" ] || [ -L "$dest" ]; then
      rm -rf "$dest" || { echo "install-plugins: could not remove $dest" >&2; exit 1; }
      echo "install-plugins: removed $format: $dest"
      removed=$((removed + 1))
    fi
  done
  [ $removed -gt 0 ] || echo "install-plugins: no Corvanel plug-in was installed in $HOME"
  exit 0
fi

build=$(build_folder linux)
ready=()
for p in "${plugins[@]}"; do
  read -r format source dest <<<"$p"
  is_built "$(source_path "$source")" && ready+=("$p")
done
if [ ${#ready[@]} -eq 0 ]; then
  echo "install-plugins: nothing to install: $build holds no built plug-in." >&2
  echo "  Build it first with: $(build_hint linux)" >&2
  echo "  (or name another build folder with --build DIR)" >&2
  exit 1
fi
for p in "${plugins[@]}"; do
  read -r format source dest <<<"$p"
  from=$(source_path "$source")
  if ! is_built "$from"; then
    echo "install-plugins: $format is not built in $build (no $from), not installed"
    continue
  fi
  copy_deliverable "$from" "$dest" || { echo "install-plugins: could not copy $from to $dest" >&2; exit 1; }
  echo "install-plugins: installed $format: $dest (from $from)"
done
echo "install-plugins: rescan plug-ins in your host to find Corvanel."
