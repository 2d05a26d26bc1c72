#!/usr/bin/env bash
# Runs a Windows program under wine, quietly and without dialogs, in a wine
# prefix of its own (created on first use). CMake uses it as the emulator of
# the cross builds, so CTest runs the Windows test programs through it.
#   usage: wine-run.sh win32|win64 PREFIX PROGRAM.exe [ARGS...]
# The program's exit code is passed on. 32-bit programs need a kernel that
# runs 32-bit x86 programs, or qemu-i386 registered for them
# (tests/windows/binfmt-qemu.sh).
set -eu

arch=${1:?win32 or win64}
prefix=${2:?wine prefix}
shift 2

export WINEPREFIX=$prefix WINEARCH=$arch
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts; no crash dialog (winedbg).
export WINEDLLOVERRIDES="mscoree,mshtml,winedbg.exe="
unset DISPLAY WAYLAND_DISPLAY

case $arch in
  win32) wine=/usr/lib/wine/wine ;;
  win64) wine=/usr/lib/wine/wine64 ;;
  *) echo "wine-run: unknown architecture $arch" >&2; exit 2 ;;
esac
export WINELOADER=$wine

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  # Several test processes may start at once (ctest -j): one creates the prefix.
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
    [ -f "$prefix/system.reg" ] || { echo "wine-run: could not create the wine prefix $prefix" >&2; exit 1; }
    # Crashes end the process with an error code instead of opening a debugger.
    "$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
      /v Auto /t REG_SZ /d 1 /f >/dev/null 2>&1 || true
    "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
  fi
  exec 9>&-
fi

exec "$wine" "$@"
