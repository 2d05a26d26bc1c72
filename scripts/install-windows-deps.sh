#!/usr/bin/env bash
# Installs what the Windows cross-build and its wine tests need: Debian's
# mingw-w64 cross compilers (POSIX threads) with the static zlib, 32-bit and
# 64-bit wine, the X tools the editor-window tests drive it with (Xvfb,
# xdotool, ImageMagick, xwininfo; the driver is a Python script), and - only where this kernel refuses 32-bit x86 programs -
# qemu's user-mode emulator from bookworm-backports (bookworm's own qemu is
# too slow for wine). Idempotent and quiet; safe to re-run.
#   --build-only   only what scripts/build-windows.sh needs (no wine, no qemu)
set -euo pipefail

build_only=0
[ "${1:-}" = "--build-only" ] && build_only=1

export DEBIAN_FRONTEND=noninteractive
apt_install() { apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

packages=(
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev
  cmake ninja-build dpkg-dev xz-utils googletest g++
)
if [ $build_only = 0 ]; then
  packages+=(wine wine32:i386 wine64 xvfb xauth xdotool imagemagick x11-utils python3)
fi

if [ $build_only = 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "install-windows-deps: adding the i386 architecture for 32-bit wine"
  dpkg --add-architecture i386
fi

missing=()
for p in "${packages[@]}"; do is_installed "$p" || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-windows-deps: installing ${missing[*]}"
  apt-get update -qq
  apt_install "${missing[@]}"
fi

[ $build_only = 1 ] && exit 0

# 32-bit wine runs natively only where the kernel runs 32-bit x86 programs.
# Elsewhere scripts/test-windows.sh registers qemu-i386 for them.
i386_runs_natively() {
  [ -x /lib/ld-linux.so.2 ] || return 1
  # A qemu registration of our own would hide the kernel's answer.
  [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || return 1
  /lib/ld-linux.so.2 --version >/dev/null 2>&1
}
if [ "${CORVANEL_FORCE_QEMU:-0}" = 1 ] || ! i386_runs_natively; then
  if ! is_installed qemu-user || ! dpkg --compare-versions \
      "$(dpkg-query -W -f='${Version}' qemu-user)" ge 1:10; then
    echo "install-windows-deps: installing qemu-user from bookworm-backports"
    list=/etc/apt/sources.list.d/bookworm-backports.sources
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
      cat >"$list" <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    fi
    apt-get update -qq
    apt_install -t bookworm-backports qemu-user
  fi
fi
