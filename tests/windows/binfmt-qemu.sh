#!/usr/bin/env bash
# 32-bit wine is a 32-bit x86 Linux program. Where the kernel refuses those
# (32-bit emulation switched off at boot), qemu's user-mode emulator runs them
# once registered for i386 programs through binfmt_misc.
#   binfmt-qemu.sh register STATEFILE     register only if needed; records what it did
#   binfmt-qemu.sh unregister STATEFILE   undoes exactly that, leaving the machine as it was
# CORVANEL_FORCE_QEMU=1 registers qemu even where the kernel runs i386 itself
# (to exercise the emulated path). Needs root for the registration.
set -eu

action=${1:?register or unregister}
state=${2:?state file}
misc=/proc/sys/fs/binfmt_misc
entry=$misc/qemu-i386
qemu=/usr/bin/qemu-i386

i386_runs() { [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

case $action in
register)
  : >"$state"
  if [ "${CORVANEL_FORCE_QEMU:-0}" != 1 ] && i386_runs; then
    echo "binfmt-qemu: the kernel runs 32-bit x86 programs itself"
    exit 0
  fi
  [ -x $qemu ] || { echo "binfmt-qemu: $qemu missing (scripts/install-windows-deps.sh)" >&2; exit 1; }
  if [ ! -e $misc/register ]; then
    mount -t binfmt_misc binfmt_misc $misc
    echo mounted >>"$state"
  fi
  if [ -e $entry ]; then
    echo "binfmt-qemu: qemu-i386 already registered; left as it is"
  else
    # Static i386 and PIE ELF executables (type 2 and 3), as qemu's own scripts match them.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
      >$misc/register
    echo registered >>"$state"
    echo "binfmt-qemu: registered $qemu for 32-bit x86 programs"
  fi
  i386_runs || { echo "binfmt-qemu: 32-bit x86 programs still do not run" >&2; exit 1; }
  ;;
unregister)
  [ -f "$state" ] || exit 0
  if grep -qx registered "$state" && [ -e $entry ]; then
    echo -1 >$entry
    echo "binfmt-qemu: unregistered qemu-i386"
  fi
  if grep -qx mounted "$state"; then
    umount $misc || true
  fi
  rm -f "$state"
  ;;
*)
  echo "usage: binfmt-qemu.sh register|unregister STATEFILE" >&2
  exit 2
  ;;
esac
