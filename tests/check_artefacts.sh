#!/usr/bin/env bash
# The release artefacts: a 32-bit GUI program that needs only Windows' own
# DLLs, and the same resources, all Korean (0x0412), in both executables.
set -u
build=${1:?build root}
status=0
fail() { echo "FAIL: $*"; status=1; }

desc=$(file -b "$build/win32/Setup.exe")
case "$desc" in
  "PE32 executable (GUI) Intel 80386"*) ;;
  *) fail "win32/Setup.exe is: $desc" ;;
esac
desc=$(file -b "$build/win64/Setup.exe")
case "$desc" in
  "PE32+ executable (GUI) x86-64"*) ;;
  *) fail "win64/Setup.exe is: $desc" ;;
esac

# Only known DLLs, which Windows never looks for beside the program: a DLL
# of any other name is found in the folder Setup.exe was started from (a
# download folder) before the system folder, and runs before the program does.
known_dlls=$(awk '$2 == "known" { print $1 }' "$(dirname "$0")/known_dlls.txt")
[ -n "$known_dlls" ] || fail "no known DLLs read from tests/known_dlls.txt"
for arch in win32 win64; do
  imports=$(objdump -p "$build/$arch/Setup.exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  [ -n "$imports" ] || fail "$arch: no import table found"
  for dll in $imports; do
    echo "$known_dlls" | grep -qxF "$dll" ||
      fail "$arch imports $dll, not a known DLL: load it from the system folder (src/common/system_libraries.cpp)"
  done
  # Delay imports do not show as DLL names above, and the loader finds them
  # by name with the standard search when they are first called: none.
  delay=$(objdump -p "$build/$arch/Setup.exe" | awk '/^Entry d / { print $3 }')
  [[ "$delay" =~ ^0+$ ]] || fail "$arch has delay imports, which are found by name beside the program"

  listing=$(wrestool -l "$build/$arch/Setup.exe")
  for want in "--type=14 --name=101 --language=1042" "--type=9 --name=103 --language=1042" \
              "--type=5 --name=104 --language=1042" "--type=5 --name=106 --language=1042" \
              "--type=5 --name=107 --language=1042" "--type=6 --name=2 --language=1042"; do
    echo "$listing" | grep -q -- "$want" || fail "$arch: resource missing: $want"
  done
  if echo "$listing" | grep -v -- '--language=1042' | grep -q .; then
    fail "$arch: a resource in another language: $(echo "$listing" | grep -v -- '--language=1042')"
  fi
  # One icon image of 16 x 16 in 16 colours.
  icon=$(wrestool -x --type=14 --name=101 "$build/$arch/Setup.exe" | od -An -tu1 -j6 -N4 | tr -s ' ')
  [ "$icon" = " 16 16 16 0" ] || fail "$arch: icon 101 is not one 16 x 16 image in 16 colours ($icon)"
  # String 27 holds the Shell Folders key.
  wrestool -x --raw --type=6 --name=2 "$build/$arch/Setup.exe" | iconv -f UTF-16LE -t UTF-8 2>/dev/null \
    | grep -aq 'SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders' \
    || fail "$arch: string 27 does not hold the Shell Folders key"
done
[ $status -eq 0 ] && echo "artefacts ok"
exit $status
