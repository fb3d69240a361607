#!/usr/bin/env bash
# The import check of tests/check-programs.sh fails on a program that
# imports functions newer than Windows 7 SP1, and names each of them with
# its DLL: two that come only with an update to Windows 7
# (SetDefaultDllDirectories, AddDllDirectory), one of Windows 8, one of
# Windows 10.
#
# Usage: floor-test.sh <check-programs.sh> <objdump> <machine> <newer_imports.exe>
set -u
check=$1 objdump=$2 machine=$3 program=$4
name=$(basename "$program")
output=$(bash "$check" "$objdump" "$machine" "$program" 2>&1)
status=$?
printf '%s\n' "$output"
failed=0
[ "$status" != 0 ] || { echo "FAIL: the check passed a program with newer imports"; failed=1; }
for function in SetDefaultDllDirectories:KERNEL32.dll AddDllDirectory:KERNEL32.dll \
    GetSystemTimePreciseAsFileTime:KERNEL32.dll GetDpiForWindow:USER32.dll; do
  grep -qiF "FAIL $name: imports ${function%%:*} from ${function#*:}, which Windows 7 SP1" <<<"$output" \
    || { echo "FAIL: the check does not name ${function%%:*} (${function#*:})"; failed=1; }
done
# Nothing else of its imports is taken for newer.
others=$(grep -c "which Windows 7 SP1" <<<"$output")
[ "$others" = 4 ] || { echo "FAIL: $others imports reported as newer, 4 expected"; failed=1; }
[ "$failed" = 0 ] && echo "ok: the check refuses each newer import"
exit "$failed"
