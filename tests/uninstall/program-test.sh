#!/usr/bin/env bash
# The real Uninstall.exe under Wine, on a real installation: the sample
# medium is installed into a sandbox drive U: of the prefix (the batch and
# its root-relative paths must never reach the host's root, Z:), then the
# driver answers the confirmation box No (nothing changes), runs it once
# with its log held open (error boxes, nothing changes), then answers Yes and
# presses the finish button; the batch must then remove the program and the
# install folder. Last, a program copy in a folder without a log must close
# silently.
#
# Between those: the log tampered with (entries aimed at files, folders,
# controls and keys outside the installation, and a control that crashes),
# where only the installation goes and the rest is counted as left; a file
# held open during the run, left for the restart; two installations, each
# removed by its own uninstaller. The self-removal batch must never touch
# what is planted at the names it used to use or in its own folder, and must
# wait while the program's window stays open (what that waiting costs is the
# self-removal benchmark's figure).
#
# Usage: program-test.sh <wine-run> <prefix> <uninstall_driver.exe>
#                        <install_driver.exe> <medium folder> <sandbox folder>
#                        <marker_control.ocx> <probe_crash.ocx>
set -u
wine_run=$1 prefix=$2 driver=$3 installer=$4 medium=$5 sandbox=$6 marker_control=$7 probe_crash=$8

if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: no DISPLAY (run through scripts/test)"
  exit 1
fi
rm -rf "$sandbox"
mkdir -p "$sandbox"
mkdir -p "$prefix/dosdevices"
ln -sfn "$sandbox" "$prefix/dosdevices/u:"

failed=0
fail() { echo "FAIL: $*"; failed=1; }
# A crashing control ends its process instead of waiting in Wine's crash
# dialog (as on Windows, where the uninstaller asks for no error box); a
# prefix made before the runner switched the dialog off gets it here.
"$wine_run" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
run_driver() { "$wine_run" "$driver" "$@" 2>&1 | tr -d '\r' | iconv -f GBK -t UTF-8 -c; return "${PIPESTATUS[0]}"; }
reg_add() { "$wine_run" reg add "$@" /f >/dev/null 2>&1; }

medium_win="Z:$(printf '%s' "$medium" | tr '/' '\\')\\"
install="$sandbox/ZEMLO V8"
"$wine_run" "$installer" "$medium_win" 'U:\ZEMLO V8\' >/dev/null 2>&1 || fail "the installation failed"
[ -f "$install/Uninstall.exe" ] && [ -f "$install/Uninstall.log" ] || fail "no installation to remove"
before=$(cd "$install" && find . | sort)

echo "== answering No"
run_driver 'U:\ZEMLO V8\Uninstall.exe' --answer no --timeout-s 30 --expect-exit 1602 || fail "the driver (No) failed"
after=$(cd "$install" && find . | sort)
[ "$before" = "$after" ] || fail "answering No changed the installation"

echo "== log unreadable: file error, failure message, nothing removed"
run_driver 'U:\ZEMLO V8\Uninstall.exe' --lock-log --timeout-s 30 --expect-exit 1603 || fail "the driver (locked log) failed"
after=$(cd "$install" && find . | sort)
[ "$before" = "$after" ] || fail "an unreadable log changed the installation"

# What is planted where the batch once lay (the root of the current drive,
# the program's temporary folder) and beside the folder of its own it is
# made in now (the system's temporary folder): files and links whose
# targets hold the user's text.
temp_dir=$(ls -d "$prefix"/drive_c/users/*/Temp 2>/dev/null | grep -v /Public/ | head -1)
system_temp="$prefix/drive_c/windows/temp"
mkdir -p "$sandbox/Outside"
printf 'mine' > "$sandbox/Outside/target.txt"
printf 'mine' > "$sandbox/DelUS.bat"
ln -s "$sandbox/Outside/target.txt" "$sandbox/Filedelr.avi"
planted_temp=()
batches_before=$(ls "$temp_dir"/DelUS-*.bat 2>/dev/null)
if [ -n "$temp_dir" ]; then
  printf 'mine' > "$temp_dir/Filedelr.avi"
  ln -sfn "$sandbox/Outside/target.txt" "$temp_dir/DelUS.bat"
  planted_temp=("$temp_dir/Filedelr.avi" "$temp_dir/DelUS.bat")
  if [ -d "$system_temp" ]; then
    printf 'mine' > "$system_temp/Filedelr.avi"
    planted_temp+=("$system_temp/Filedelr.avi")
  fi
else
  fail "no temporary folder in the prefix"
fi
check_planted() {
  [ "$(cat "$sandbox/DelUS.bat" 2>/dev/null)" = mine ] || fail "the file planted at U:\\DelUS.bat was touched"
  [ -L "$sandbox/Filedelr.avi" ] || fail "the link planted at U:\\Filedelr.avi went"
  [ "$(cat "$sandbox/Outside/target.txt" 2>/dev/null)" = mine ] || fail "a planted link's target was touched"
  local f
  for f in "${planted_temp[@]}"; do
    [ -e "$f" ] || [ -L "$f" ] || fail "planted in the batch's folder and gone: $f"
  done
  [ "$(ls "$temp_dir"/DelUS-*.bat 2>/dev/null)" = "$batches_before" ] \
    || fail "a self-removal batch is still there: $(ls "$temp_dir"/DelUS-*.bat)"
  [ -z "$(ls "$system_temp"/ZEMLO-Remove-*/DelUS-*.bat 2>/dev/null)" ] \
    || fail "a self-removal batch is still there: $(ls "$system_temp"/ZEMLO-Remove-*/DelUS-*.bat)"
  # The batch's own folder goes a moment after the batch has ended.
  local wait
  for wait in 1 2 3 4 5 6 7 8 9 10; do
    [ -z "$(ls -d "$system_temp"/ZEMLO-Remove-* 2>/dev/null)" ] && break
    sleep 1
  done
  [ -z "$(ls -d "$system_temp"/ZEMLO-Remove-* 2>/dev/null)" ] \
    || fail "a self-removal batch's folder is still there: $(ls -d "$system_temp"/ZEMLO-Remove-*)"
}

echo "== answering Yes, then finish (the uninstaller and a file read-only, as copied from a CD)"
"$wine_run" attrib +r 'U:\ZEMLO V8\Uninstall.exe' >/dev/null 2>&1 || fail "cannot make the uninstaller read-only"
"$wine_run" attrib +r 'U:\ZEMLO V8\readme.txt' >/dev/null 2>&1 || fail "cannot make readme.txt read-only"
run_driver 'U:\ZEMLO V8\Uninstall.exe' --timeout-s 30 --batch-waits --expect-exit 0 || fail "the driver (Yes) failed"
[ -e "$install" ] && fail "the install folder is still there: $(cd "$install" && find . | head)"
check_planted

echo "== a tampered log: only the installation goes, every foreign entry is counted"
"$wine_run" "$installer" "$medium_win" 'U:\ZEMLO V8\' >/dev/null 2>&1 || fail "the installation failed"
mkdir -p "$sandbox/Victim" "$sandbox/Documents" "$sandbox/Markers"
printf 'mine' > "$sandbox/Victim/keep.txt"
printf 'mine' > "$sandbox/Victim/readonly.txt"
"$wine_run" attrib +r 'U:\Victim\readonly.txt' >/dev/null 2>&1
cp "$marker_control" "$sandbox/Victim/probe.ocx"
cp "$probe_crash" "$install/Controls/crash.ocx"
victim_keys=('HKCU\Software\ZemloVictim' 'HKLM\SOFTWARE\ZemloVictim' 'HKCR\ZemloVictim'
             'HKU\.DEFAULT\Software\ZemloVictim' 'HKCC\ZemloVictim')
for key in "${victim_keys[@]}"; do reg_add "$key"; done
tampered=(
  'Reg Ctrl: U:\Victim\probe.ocx' 'Reg Ctrl: probe.ocx' 'Reg Ctrl: C:\windows\system32\jscript.dll'
  'Reg Ctrl: U:\ZEMLO V8\..\Victim\probe.ocx'
  'File Copy: C:\windows\win.ini' 'File Copy: U:\Victim\keep.txt' 'File Copy: U:\Victim\readonly.txt'
  'File Copy: U:\ZEMLO V8\..\Victim\keep.txt' 'File Copy: ..\Victim\keep.txt' 'File Copy: \Victim\keep.txt'
  'File Copy: \\?\U:\Victim\keep.txt' 'File Copy: \\.\U:\Victim\keep.txt'
  'Made Dir: U:\Documents' 'Made Dir: U:\ZEMLO V8\..\Documents'
  'RegDB Key: 0,ZemloVictim' 'RegDB Key: 1,Software\ZemloVictim' 'RegDB Key: 2,SOFTWARE\ZemloVictim'
  'RegDB Key: 3,.DEFAULT\Software\ZemloVictim' 'RegDB Key: 9,ZemloVictim' 'RegDB Key: -1,ZemloVictim'
  'RegDB Key: 12345678901234567890,ZemloVictim'
)
{
  for line in "${tampered[@]}"; do printf '%s\r\n' "$line"; done
  printf 'Reg Ctrl: U:\\ZEMLO V8\\Controls\\crash.ocx\r\n'
} >> "$install/Uninstall.log"
win_ini="$prefix/drive_c/windows/win.ini"
win_ini_before=$( [ -e "$win_ini" ] && echo there)
jscript="$prefix/drive_c/windows/system32/jscript.dll"
jscript_before=$( [ -e "$jscript" ] && echo there)
ZEMLO_PROBE_MARKERS='U:\Markers' run_driver 'U:\ZEMLO V8\Uninstall.exe' --timeout-s 60 \
  --expect-left $(( ${#tampered[@]} + 1 )) --expect-exit 1604 || fail "the driver (tampered log) failed"
[ -e "$install" ] && fail "the install folder is still there: $(cd "$install" && find . | head)"
for f in keep.txt readonly.txt probe.ocx; do [ -e "$sandbox/Victim/$f" ] || fail "a foreign file went: $f"; done
[ -d "$sandbox/Documents" ] || fail "a foreign folder went"
[ -e "$sandbox/Markers/probe.ocx.loaded" ] && fail "a foreign control was loaded"
[ -e "$sandbox/Markers/crash.ocx.unregistered" ] || fail "the crashing control was never called"
[ "$( [ -e "$win_ini" ] && echo there)" = "$win_ini_before" ] || fail "win.ini went"
[ "$( [ -e "$jscript" ] && echo there)" = "$jscript_before" ] || fail "jscript.dll went"
for key in "${victim_keys[@]}"; do
  "$wine_run" reg query "$key" >/dev/null 2>&1 || fail "a foreign key went: $key"
  "$wine_run" reg delete "$key" /f >/dev/null 2>&1
done
"$wine_run" reg query 'HKLM\SOFTWARE\Kestrova\enggZEMLO\V8' /reg:32 >/dev/null 2>&1 && fail "the product key stayed"
rm -rf "$sandbox/Victim" "$sandbox/Documents" "$sandbox/Markers"
check_planted

echo "== a file held open: left for the restart, the rest goes"
"$wine_run" "$installer" "$medium_win" 'U:\ZEMLO V8\' >/dev/null 2>&1 || fail "the installation failed"
run_driver 'U:\ZEMLO V8\Uninstall.exe' --timeout-s 30 --expect-left 1 --hold-file 'U:\ZEMLO V8\readme.txt' --expect-exit 3010 \
  || fail "the driver (held file) failed"
left=$(cd "$install" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ')
[ "$left" = "./readme.txt " ] || fail "more or less than the held file is left: $left"
session='HKLM\System\CurrentControlSet\Control\Session Manager'
pending=$("$wine_run" reg query "$session" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r')
grep -qi 'ZEMLO V8.readme.txt' <<<"$pending" || fail "the held file is not scheduled for the restart"
grep -qi 'ZEMLO V8\\0' <<<"$pending" || fail "the installation folder is not scheduled for the restart after the held file"
"$wine_run" reg delete "$session" /v PendingFileRenameOperations /f >/dev/null 2>&1
rm -rf "$install"
check_planted

echo "== two installations: each uninstaller removes its own"
# The shortcuts both installations make outside their folders, and the menu
# folder that holds them.
kept=5
"$wine_run" "$installer" "$medium_win" 'U:\A\' >/dev/null 2>&1 || fail "the installation into A failed"
"$wine_run" "$installer" "$medium_win" 'U:\B\' >/dev/null 2>&1 || fail "the installation into B failed"
# B, installed last, owns the shortcuts of the names both use (the desktop's
# and the menu's, with the menu folder) and its controls' registrations:
# removing A keeps them, names them, and succeeds.
run_driver 'U:\A\Uninstall.exe' --timeout-s 30 --expect-kept "$kept" --expect-exit 0 || fail "the driver (A) failed"
[ -e "$sandbox/A" ] && fail "A is still there"
[ -f "$sandbox/B/Uninstall.log" ] && [ -f "$sandbox/B/readme.txt" ] || fail "removing A touched B"
"$wine_run" reg query 'HKLM\SOFTWARE\Kestrova\enggZEMLO\V8' /reg:32 /v installPath 2>/dev/null | tr -d '\r' | grep -q 'U:\\B' \
  || fail "removing A took B's product key"
for control in ZemloGrid ZemloChart; do
  "$wine_run" reg query 'HKLM\SOFTWARE\Kestrova\ZemloSampleControls\'$control /v Module 2>/dev/null | tr -d '\r' \
    | grep -qi 'U:\\B\\' || fail "removing A unregistered B's $control"
done
run_driver 'U:\B\Uninstall.exe' --timeout-s 30 --expect-exit 0 || fail "the driver (B) failed"
for view in 32 64; do
  "$wine_run" reg query 'HKLM\SOFTWARE\Kestrova' /reg:$view >/dev/null 2>&1 &&
    fail "the vendor's empty key stayed after the last removal (the ${view}-bit view)"
done
[ -e "$sandbox/B" ] && fail "B is still there"
"$wine_run" reg query 'HKLM\SOFTWARE\Kestrova\enggZEMLO\V8' /reg:32 >/dev/null 2>&1 && fail "B's product key stayed"
check_planted

echo "== the medium's own copy: removes the installation, stays itself"
"$wine_run" "$installer" "$medium_win" 'U:\ZEMLO V8\' >/dev/null 2>&1 || fail "the second installation failed"
mkdir -p "$sandbox/Medium"
cp "$medium/Uninstall.exe" "$sandbox/Medium/"
run_driver 'U:\Medium\Uninstall.exe' --installed-in 'U:\ZEMLO V8' --timeout-s 30 --expect-exit 0 || fail "the driver (copy from elsewhere) failed"
[ -e "$install" ] && fail "the install folder is still there: $(cd "$install" && find . | head)"
[ -f "$sandbox/Medium/Uninstall.exe" ] || fail "the medium's copy was deleted"
rm -rf "$sandbox/Medium"

echo "== no log: silent close"
# The install folder recorded in the registry would be used instead of the
# program's own folder: make sure none is left from another installation.
"$wine_run" reg delete 'HKLM\SOFTWARE\Kestrova\enggZEMLO\V8' /f /reg:32 >/dev/null 2>&1 || true
mkdir -p "$sandbox/NoLog"
cp "$medium/Uninstall.exe" "$sandbox/NoLog/"
run_driver 'U:\NoLog\Uninstall.exe' --expect-silent-close --timeout-s 30 --expect-exit 1603 || fail "the driver (no log) failed"

leftover=$(cd "$sandbox" && find . -mindepth 1 | grep -v '^./NoLog' | grep -v -x -e ./DelUS.bat -e ./Filedelr.avi -e ./Outside -e ./Outside/target.txt | head)
rm -f "${planted_temp[@]}"
[ -z "$leftover" ] || fail "left in the sandbox: $leftover"
rm -f "$prefix/dosdevices/u:"
rm -rf "$sandbox"
[ "$failed" = 0 ] && echo "PASS"
exit "$failed"
