#!/usr/bin/env bash
# Checks the shipped programs as files: 64-bit GUI executables that need no
# DLL beyond Windows' own (a missing libstdc++/libgcc DLL makes a program
# exit silently), ask for administrator rights and carry the icon.
# Every DLL in the import table must be one of the system's KnownDLLs
# (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs, the
# names common to Windows 7 to 11): the loader takes those from the system
# folder only. Any other imported DLL is looked for in the program's folder
# first, where a copy planted beside Setup.exe on a medium or in a download
# folder would run with administrator rights; such DLLs (comctl32 among
# them) are loaded at run time from the system folder instead.
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
      advapi32.dll|comdlg32.dll|gdi32.dll|imagehlp.dll|imm32.dll|kernel32.dll|msctf.dll|msvcrt.dll|normaliz.dll|\
      nsi.dll|ole32.dll|oleaut32.dll|psapi.dll|rpcrt4.dll|sechost.dll|setupapi.dll|shell32.dll|shlwapi.dll|\
      user32.dll|wldap32.dll|ws2_32.dll) ;;
      *) echo "FAIL $name: imports $dll, which is not a KnownDLL (Windows looks for it beside the program first)"; failed=1 ;;
    esac
  done
  grep -q 'requireAdministrator' "$exe" || { echo "FAIL $name: no administrator manifest"; failed=1; }
  "$objdump" -h "$exe" | grep -q '\.rsrc' || { echo "FAIL $name: no resources"; failed=1; }
  [ "$failed" = 0 ] && echo "ok $name"
done
exit "$failed"
