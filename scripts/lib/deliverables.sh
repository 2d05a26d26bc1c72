# shellcheck shell=bash disable=SC2034
# Sourced by scripts/package.sh and scripts/install-plugins.sh: which deliverables the
# project builds, where its build scripts leave them, and how one is copied into place.
# A new plug-in format is one row in DELIVERABLES (and, for Linux hosts, one in
# USER_FOLDERS); the scripts read nothing else.

corvanel_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# format  platform      source (build folder:path in it)   dist path (under dist/)
DELIVERABLES='
vst2      linux-x86_64  linux:framework/vst/Corvanel.so     linux-x86_64/vst2/Corvanel.so
vst2      windows-x64   windows:Corvanel64.dll              windows-x64/vst2/Corvanel.dll
vst2      windows-x86   windows:Corvanel.dll                windows-x86/vst2/Corvanel.dll
au        macos         macos:CorvanelAU.component          macos/au/CorvanelAU.component
lv2       linux-x86_64  linux:lv2/Corvanel.lv2              linux-x86_64/lv2/Corvanel.lv2
clap      linux-x86_64  linux:framework/clap/Corvanel.clap  linux-x86_64/clap/Corvanel.clap
clap      windows-x64   windows:clap-x64/Corvanel.clap      windows-x64/clap/Corvanel.clap
clap      windows-x86   windows:clap-x86/Corvanel.clap      windows-x86/clap/Corvanel.clap
vst3      linux-x86_64  linux:framework/vst3/Corvanel.vst3  linux-x86_64/vst3/Corvanel.vst3
vst3      windows       windows:Corvanel.vst3               windows/vst3/Corvanel.vst3
vst3      macos         macos:framework/vst3/Corvanel.vst3  macos/vst3/Corvanel.vst3
clap      macos         macos:framework/clap/Corvanel.clap  macos/clap/Corvanel.clap
'

# format  the per-user folder (under $HOME) that Linux hosts search for it
USER_FOLDERS='
vst2      .vst
lv2       .lv2
clap      .clap
vst3      .vst3
'

# build_folder NAME: the folder the build named in a source column fills. Each follows
# the variable its build script or these scripts' options set.
build_folder() {
  case $1 in
    linux) echo "${CORVANEL_BUILD_DIR:-$corvanel_root/build}" ;;
    windows) echo "${WINDOWS_DIST_DIR:-$corvanel_root/build-windows/dist}" ;;
    macos) echo "${CORVANEL_MACOS_BUILD_DIR:-$corvanel_root/build-macos}" ;;
    *) return 1 ;;
  esac
}

# build_hint NAME: how to fill that folder.
build_hint() {
  case $1 in
    linux) echo "bash scripts/build.sh" ;;
    windows) echo "bash scripts/build-windows.sh" ;;
    macos) echo "bash scripts/test.sh (it builds the macOS configuration in build-macos after the Linux tree), or the bundles alone: cmake -S . -B build-macos -G Ninja -DCORVANEL_MACOS_STANDIN=ON && cmake --build build-macos --target CorvanelAU CorvanelVST3 CorvanelCLAP" ;;
    *) return 1 ;;
  esac
}

# source_path SOURCE: the file or bundle folder a source column (build:path) names.
source_path() {
  local folder
  folder=$(build_folder "${1%%:*}") || { echo "deliverables: unknown build folder in '$1'" >&2; return 1; }
  echo "$folder/${1#*:}"
}

# is_built PATH: PATH is a built deliverable: a file, or a bundle folder with its binary
# (an executable file) inside. Configuring a build already lays out a bundle's property
# list and resource folders; only the link puts the binary there.
is_built() {
  if [ -d "$1" ]; then
    [ -n "$(find "$1" -type f -perm -u+x -print -quit)" ]
  else
    [ -f "$1" ]
  fi
}

# copy_deliverable FROM TO: TO becomes a copy of FROM, a file or a bundle folder, replacing
# whatever was there. The copy is made beside TO and renamed into place, so a host that
# scans meanwhile never finds half a plug-in.
copy_deliverable() {
  local from=$1 to=$2 tmp
  mkdir -p "$(dirname "$to")" || return 1
  tmp=$(mktemp -d "$(dirname "$to")/.corvanel-copy.XXXXXX") || return 1
  if cp -R "$from" "$tmp/item" && rm -rf "$to" && mv "$tmp/item" "$to"; then
    rmdir "$tmp"
  else
    rm -rf "$tmp"
    return 1
  fi
}
