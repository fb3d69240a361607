#!/usr/bin/env bash
# Checks the shipped programs as files: GUI executables of the build's
# machine type (x86: PE32, the shipped programs; x64: PE32+, the build the
# tests run in) that need no DLL beyond Windows' own (a missing
# libstdc++/libgcc DLL makes a program exit silently), import nothing that
# Windows 7 SP1 lacks, ask for administrator rights in a manifest for their
# own processor, carry the version resource and the icon, and no link time
# stamp (two builds of one commit give the same bytes). The per-user step
# UserSetup.exe, which the shell runs at each user's logon as that user,
# asks for no rights (asInvoker) and binds no Common Controls (no window).
#
# Every DLL in the import table must be one of the system's KnownDLLs
# (HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\KnownDLLs, the
# names common to Windows 7 to 11): the loader takes those from the system
# folder only. Any other imported DLL is looked for in the program's folder
# first, where a copy planted beside Setup.exe on a medium or in a download
# folder would run with administrator rights; such DLLs (comctl32 among
# them) are loaded at run time from the system folder instead.
#
# Every imported function must be one that Windows 7 SP1 without updates
# exports: the names listed in newer-than-windows7.txt (beside this script)
# are not, and a program importing one does not start there at all.
#
# Usage: check-programs.sh <objdump> <x86|x64> <program.exe>...
set -u
[ $# -ge 3 ] || { echo "usage: check-programs.sh <objdump> <x86|x64> <program.exe>..."; exit 2; }
objdump=$1 machine=$2
shift 2
case $machine in
  x86) format=pei-i386 kind="PE32 (x86)" arch=x86 ;;
  x64) format=pei-x86-64 kind="PE32+ (x86-64)" arch=amd64 ;;
  *) echo "unknown machine $machine (x86 or x64)"; exit 2 ;;
esac
list=$(dirname "$0")/newer-than-windows7.txt
[ -r "$list" ] || { echo "cannot read $list"; exit 2; }
declare -A newer=()
while read -r function; do
  [ -n "$function" ] && newer[$function]=1
done < <(sed 's/#.*//' "$list")

# A UTF-16LE pattern for grep -P, as resource strings are stored.
utf16() { printf '%s' "$1" | sed 's/./&\\x00/g'; }

failed=0
for exe in "$@"; do
  name=$(basename "$exe")
  bad=0
  fail() { echo "FAIL $name: $*"; bad=1; }
  header=$("$objdump" -p "$exe") || { echo "FAIL $name: not readable"; failed=1; continue; }
  grep -q "file format $format\$" <<<"$header" || fail "not $kind"
  grep -qE 'Subsystem[[:space:]]+0*2[[:space:]]' <<<"$header" || fail "not a GUI program"
  grep -qE '^Time/Date[[:space:]]+Thu Jan  1 00:00:00 1970$' <<<"$header" ||
    fail "carries a link time stamp ($(grep -m1 '^Time/Date' <<<"$header"))"

  # The import table: "DLL Name: X" starts each DLL's list, whose entries
  # are "<vma> <hint> <name>" lines.
  imports=$(awk '
    /^[[:space:]]*DLL Name:/ { dll = $3; print "dll " dll; next }
    dll != "" && /^[[:space:]]+[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[A-Za-z_?@$][^[:space:]]*$/ { print "fn " dll " " $3 }
    /^$/ { dll = "" }' <<<"$header")
  while read -r what dll function; do
    case $what in
      dll)
        case "${dll,,}" in
          advapi32.dll|comdlg32.dll|gdi32.dll|imagehlp.dll|imm32.dll|kernel32.dll|msctf.dll|msvcrt.dll|normaliz.dll|\
          nsi.dll|ole32.dll|oleaut32.dll|psapi.dll|rpcrt4.dll|sechost.dll|setupapi.dll|shell32.dll|shlwapi.dll|\
          user32.dll|wldap32.dll|ws2_32.dll) ;;
          *) fail "imports $dll, which is not a KnownDLL (Windows looks for it beside the program first)" ;;
        esac ;;
      fn)
        if [ -n "${newer[$function]:-}" ]; then
          fail "imports $function from $dll, which Windows 7 SP1 does not have without updates (take it through GetProcAddress)"
        fi ;;
    esac
  done <<<"$imports"
  [ -n "$imports" ] || fail "no import table found"

  # The manifest: administrator rights, and this build's processor for the
  # program itself and for the Common Controls it binds.
  case "${name,,}" in
    usersetup.exe) level=asInvoker processors=1 ;;
    *) level=requireAdministrator processors=2 ;;
  esac
  grep -q "level=\"$level\"" "$exe" || fail "no manifest asking for $level"
  architectures=$(grep -ao 'processorArchitecture="[^"]*"' "$exe" | sort -u | tr '\n' ' ')
  [ "$architectures" = "processorArchitecture=\"$arch\" " ] ||
    fail "the manifest names ${architectures:-no processor}, not only processorArchitecture=\"$arch\""
  [ "$(grep -ao 'processorArchitecture="[^"]*"' "$exe" | wc -l)" -eq "$processors" ] ||
    fail "the manifest names the processor $(grep -ao 'processorArchitecture="[^"]*"' "$exe" | wc -l) times, not $processors (the program, and the Common Controls of a program with windows)"

  # The version resource: its key, the fixed part's signature (0xFEEF04BD)
  # and the version strings.
  "$objdump" -h "$exe" | grep -q '\.rsrc' || fail "no resources"
  LC_ALL=C grep -qaP "$(utf16 VS_VERSION_INFO)\\x00\\x00(\\x00\\x00)?\\xBD\\x04\\xEF\\xFE" "$exe" ||
    fail "no version resource"
  for value in FileVersion ProductVersion; do
    LC_ALL=C grep -qaP "$(utf16 "$value")\\x00\\x00(\\x00\\x00)?$(utf16 8.0.0.0)" "$exe" ||
      fail "the version resource has no $value 8.0.0.0"
  done

  [ "$bad" = 0 ] && echo "ok $name" || failed=1
done
exit "$failed"
