#!/usr/bin/env bash
# Runs scripts/install-plugins.sh or scripts/package.sh as a user would, in temporary
# home and dist folders, and checks what lands where.
#
#   install-scripts-test.sh install|package SOURCE_DIR BUILD_DIR BUILT_PLUGIN
set -uo pipefail
what=$1 root=$2 build=$3 plugin=$4
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
passed=0 failed=0

check() { # description, command...
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "FAILED: $what" >&2
    echo "  output was:" >&2
    sed 's/^/    /' "$tmp/out" >&2
    failed=$((failed + 1))
  fi
}
says() { grep -qF -- "$1" "$tmp/out"; }
# A listing of a folder: every path with its content's checksum.
listing() { (cd "$1" && find . | sort && find . -type f -exec md5sum {} + | sort); }
entries() { find "$1" -mindepth 1 -maxdepth 1 | wc -l; }
run() { "$@" >"$tmp/out" 2>&1; }
fails() { ! run "$@"; }

install_tests() {
  local script=$root/scripts/install-plugins.sh home=$tmp/home
  # The hosts' folders exist already, as on a machine with other plug-ins in them.
  local format folder
  while read -r format folder; do
    [ -n "$format" ] && mkdir -p "$home/$folder"
  done <<<"$(. "$root/scripts/lib/deliverables.sh"; echo "$USER_FOLDERS")"
  echo "another plug-in" >"$home/.vst/Other.so"
  listing "$home" >"$tmp/before"

  check "install succeeds" run env HOME="$home" bash "$script" --build "$build"
  check "the built plug-in lands in ~/.vst" cmp -s "$plugin" "$home/.vst/Corvanel.so"
  check "install names what it installed" says "$home/.vst/Corvanel.so"
  check "install leaves no temporary copy" test "$(entries "$home/.vst")" -eq 2
  check "a second install replaces the first" run env HOME="$home" bash "$script" --build "$build"
  check "  with the built plug-in" cmp -s "$plugin" "$home/.vst/Corvanel.so"

  check "uninstall succeeds" run env HOME="$home" bash "$script" --uninstall
  check "uninstall names what it removed" says "removed vst2: $home/.vst/Corvanel.so"
  listing "$home" >"$tmp/after"
  check "after uninstall the home folder is as before, the other plug-in kept" \
    cmp -s "$tmp/before" "$tmp/after"
  check "a second uninstall has nothing to do" run env HOME="$home" bash "$script" --uninstall
  check "  and says so" says "no Corvanel plug-in was installed"

  # The build folder from the environment, into a home without ~/.vst.
  local fresh=$tmp/fresh
  mkdir -p "$fresh"
  check "CORVANEL_BUILD_DIR names the build" \
    run env HOME="$fresh" CORVANEL_BUILD_DIR="$build" bash "$script"
  check "  and ~/.vst is made for the plug-in" cmp -s "$plugin" "$fresh/.vst/Corvanel.so"

  # Refusals change nothing.
  local empty=$tmp/empty-home
  mkdir -p "$empty" "$tmp/no-build"
  check "nothing built: refused" fails env HOME="$empty" bash "$script" --build "$tmp/no-build"
  check "  saying how to build" says "bash scripts/build.sh"
  check "  and the home folder is untouched" test "$(entries "$empty")" -eq 0
  check "HOME unset: refused" fails env -u HOME bash "$script" --build "$build"
  check "  saying why" says "HOME"
  check "unknown option: refused" fails env HOME="$empty" bash "$script" --bogus
  check "  and the home folder is untouched" test "$(entries "$empty")" -eq 0
}

package_tests() {
  local script=$root/scripts/package.sh dist=$tmp/dist win=$tmp/windows mac=$tmp/macos
  # Stand-ins for the other platforms' outputs: the two DLLs differ, so a swap shows.
  mkdir -p "$win" "$mac"
  echo "32-bit" >"$win/Corvanel.dll"
  echo "64-bit" >"$win/Corvanel64.dll"
  local opts=(--build "$build" --windows "$win" --macos "$mac" --dist "$dist")

  check "package with the macOS build missing succeeds" run bash "$script" "${opts[@]}"
  check "  the Linux plug-in is the built one" cmp -s "$plugin" "$dist/linux-x86_64/vst2/Corvanel.so"
  check "  the 64-bit DLL goes to windows-x64" grep -qx "64-bit" "$dist/windows-x64/vst2/Corvanel.dll"
  check "  the 32-bit DLL goes to windows-x86" grep -qx "32-bit" "$dist/windows-x86/vst2/Corvanel.dll"
  check "  the missing component is named" says "au for macos is not built"
  check "  with how to build it" says "cmake --build build-macos --target CorvanelAU"
  check "  and is not in dist" test ! -e "$dist/macos"

  # A configured but unbuilt bundle has no binary yet: not packaged.
  local bundle=$mac/CorvanelAU.component
  mkdir -p "$bundle/Contents/MacOS" "$bundle/Contents/Resources"
  echo "plist" >"$bundle/Contents/Info.plist"
  check "a bundle without its binary is not built" run bash "$script" "${opts[@]}"
  check "  and says so" says "holds no binary yet"
  check "  and is not in dist" test ! -e "$dist/macos/au/CorvanelAU.component"

  # Built: the whole bundle is copied; a later package replaces it rather than merging.
  printf '#!/bin/sh\n' >"$bundle/Contents/MacOS/CorvanelAU"
  chmod +x "$bundle/Contents/MacOS/CorvanelAU"
  echo "png" >"$bundle/Contents/Resources/bg.png"
  check "package with every build succeeds" run bash "$script" "${opts[@]}"
  check "  the component bundle is copied whole" diff -r "$bundle" "$dist/macos/au/CorvanelAU.component"
  echo "left over" >"$dist/macos/au/CorvanelAU.component/Contents/Resources/old.png"
  rm "$win/Corvanel.dll" "$win/Corvanel64.dll"
  check "package after the DLLs are gone succeeds" run bash "$script" "${opts[@]}"
  check "  the bundle is replaced, not merged" diff -r "$bundle" "$dist/macos/au/CorvanelAU.component"
  check "  the old DLLs leave dist" test ! -e "$dist/windows-x64/vst2/Corvanel.dll" -a ! -e "$dist/windows-x86/vst2/Corvanel.dll"
  check "  with how to build them" says "bash scripts/build-windows.sh"

  check "a dist that cannot be written fails" fails bash "$script" --build "$build" --dist "$plugin/dist"
  check "  naming the copy" says "could not copy"
  check "unknown option: refused" fails bash "$script" --bogus
}

case $what in
  install) install_tests ;;
  package) package_tests ;;
  *) echo "usage: install-scripts-test.sh install|package SOURCE_DIR BUILD_DIR BUILT_PLUGIN" >&2; exit 2 ;;
esac
echo "$what: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
