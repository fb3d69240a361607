#!/usr/bin/env bash
# Checks the shipped programs as files: 64-bit GUI executables that need no
# DLL beyond Windows' own (a missing libstdc++/libgcc DLL makes a program
# exit silently), ask for administrator rights and carry the icon.
#
# Usage: check-programs.sh <objdump> <program.exe>...
set -u
objdump=$1
shift
failed=0
for exe in "$@"; do
  name=$(basename "$exe")
  header=$("$objdump" -p "$exe") || { echo "FAIL $name: not readable"; failed=1; continue; }
  grep -q 'file format pei-x86-64' <<<"$header" || { echo "FAIL $name: not PE32+ x86-64"; failed=1; }
  grep -qE 'Subsystem[[:space:]]+0*2[[:space:]]' <<<"$header" || { echo "FAIL $name: not a GUI program"; failed=1; }
  dlls=$(grep 'DLL Name:' <<<"$header" | awk '{print $3}')
  for dll in $dlls; do
    case "${dll,,}" in
      kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|oleaut32.dll|comctl32.dll|msvcrt.dll) ;;
      *) echo "FAIL $name: depends on $dll"; failed=1 ;;
    esac
  done
  grep -q 'requireAdministrator' "$exe" || { echo "FAIL $name: no administrator manifest"; failed=1; }
  "$objdump" -h "$exe" | grep -q '\.rsrc' || { echo "FAIL $name: no resources"; failed=1; }
  [ "$failed" = 0 ] && echo "ok $name"
done
exit "$failed"
