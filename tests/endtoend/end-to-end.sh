#!/usr/bin/env bash
# The whole product, end to end, in a fresh Wine prefix: the real Setup.exe
# from the sample medium (drive D: of the prefix) driven through its pages,
# the installation checked, then the installed Uninstall.exe driven to its
# end and what is left checked. Before that, the refusal paths: Cancel on a
# page, a cancel confirmed during the copy; after it, the re-install
# question answered No; over that installation a re-install cancelled
# during the copy and one whose last step fails, each leaving it exactly as
# it was, then a move to another folder and back. A stand-in AutoCAD 2008 (registry only) gets the
# product's profile. Then an installation for all users, its per-user
# step run as at a logon, and its removal. Last, an installation while a
# medium file is held open by another program.
#
# Usage: end-to-end.sh <build-dir> <work-dir> [--shots DIR] [--hold-ms N] [--dpi N]
# With --shots, each state the drivers reach is captured from the X display
# as DIR/<scenario>-<state>.png. With --dpi, the prefix's screen has N dots
# per inch (96 is Windows' 100 %, 120 is 125 %, 144 is 150 %).
set -u
[ $# -ge 2 ] || { echo "usage: end-to-end.sh <build-dir> <work-dir> [--shots DIR] [--hold-ms N] [--dpi N]"; exit 2; }
# Absolute paths: the prefix's drive links and the Windows programs need them.
build=$(cd "$1" && pwd) || exit 2
mkdir -p "$2" && work=$(cd "$2" && pwd) || exit 2
[ "$work" != / ] && [ "$work" != "$build" ] || { echo "the work folder is emptied first: give one of its own"; exit 2; }
shift 2
shots= hold=0 dpi=
while [ $# -gt 0 ]; do
  case $1 in
    --shots) shots=$2; shift 2 ;;
    --hold-ms) hold=$2; shift 2 ;;
    --dpi)
      dpi=$2; shift 2
      [[ $dpi =~ ^[1-9][0-9]{1,2}$ ]] || { echo "--dpi wants dots per inch, 10 to 999"; exit 2; } ;;
    *) echo "unknown option $1"; exit 2 ;;
  esac
done
if [ -z "${DISPLAY:-}" ]; then
  echo "FAIL: no DISPLAY (run through scripts/test)"
  exit 1
fi
[ -n "$shots" ] && { mkdir -p "$shots"; [ "$hold" -gt 0 ] || hold=1500; }

# One run at a time in a work folder: a second one would end the first's
# Wine processes and delete its prefix under it (ctest's run and the
# screenshot command of the README both use build/end-to-end).
exec 8>"$work.lock"
flock -n 8 || { echo "FAIL: another end-to-end run is using $work"; exit 1; }

export ZEMLO_WINEPREFIX=$work/wineprefix
prefix=$ZEMLO_WINEPREFIX
# The Windows programs run without the lock: Wine's server, which outlives
# them, must not hold it.
run_wine() { "$build/wine-run" "$@" 8>&-; }
wine_run=run_wine
# Ends the prefix's Wine processes and waits until its wineserver is gone.
stop_wine() {
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w 2>/dev/null || true
}
# A wineserver left from an earlier run would serve the removed prefix.
stop_wine
rm -rf "$work"
mkdir -p "$work"
trap stop_wine EXIT

failed=0
fail() { echo "FAIL: $*"; failed=1; }
from_gbk() { tr -d '\r' | iconv -f GBK -t UTF-8 -c; }
reg_add() { "$wine_run" reg add "$@" /f >/dev/null 2>&1; }
# key_exists <key> [32|64]: in one registry view, or in this reg.exe's own.
key_exists() { "$wine_run" reg query "$1" ${2:+"/reg:$2"} >/dev/null 2>&1; }
# The product's machine-wide keys live in the 32-bit view; "still there"
# is asked of both views.
in_either_view() { key_exists "$1" 32 || key_exists "$1" 64; }

# Prints a driver's report (GBK, CR LF) line by line as it comes (iconv
# would wait for the whole text), capturing the screen at each state held;
# says so when there was none at all.
report() {
  local scenario=$1 line lines=0
  while IFS= read -r line; do
    lines=$((lines + 1))
    line=$(printf '%s' "${line%$'\r'}" | iconv -f GBK -t UTF-8 -c)
    echo "  $line"
    if [ -n "$shots" ] && [ "${line#state: }" != "$line" ] && [ "${line#state: }" != ended ]; then
      sleep 0.5
      import -window root "$shots/$scenario-${line#state: }.png" 2>/dev/null </dev/null || true
    fi
  done
  [ "$lines" -gt 0 ] || echo "  (no report at all)"
}
# Runs a driver with its report (what it says on stderr too) shown as it
# comes; its exit status.
drive() {
  local scenario=$1; shift
  "$wine_run" "$@" </dev/null 2>&1 | report "$scenario"
  local status=${PIPESTATUS[0]}
  [ "$status" = 0 ] || echo "  (the driver ended with status $status)"
  return "$status"
}
setup() {
  local scenario=$1; shift
  echo "== Setup: $scenario"
  drive "setup-$scenario" "$build/tools/drivers/setup_driver.exe" 'D:\Setup.exe' "$scenario" "$@" \
    --hold-ms "$hold" --timeout-s 120
}

# Runs a program with a command line given word for word (from Linux, Wine
# would quote every argument with a blank) and checks its exit code:
#   unattended <expected exit code> <program> <arguments> [run_program options]
unattended() {
  local expected=$1 out code; shift
  echo "== $1 $2"
  out=$("$wine_run" "$build/tools/drivers/run_program.exe" "$@" --timeout-s 120 2>&1 </dev/null | from_gbk
        echo "driver status: ${PIPESTATUS[0]}")
  printf '%s\n' "$out" | sed 's/^/  /'
  grep -qx 'driver status: 0' <<<"$out" || fail "$1 $2: the driver's checks"
  code=$(sed -n 's/^exit code: //p' <<<"$out")
  [ "$code" = "$expected" ] || fail "$1 $2: exit code $code, $expected expected"
}
# The run log of an unattended run (a file on drive C:), without the stamps.
run_log() { from_gbk < "$prefix/drive_c/$1" | cut -c26-; }
# The run log's last line is the exit code with its meaning.
check_run_log() {
  local file=$1 code=$2 last
  [ -f "$prefix/drive_c/$file" ] || { fail "no run log C:\\$file"; return; }
  last=$(run_log "$file" | tail -n 1)
  [[ $last == "退出代码: $code ("* ]] || fail "C:\\$file ends with \"$last\", not the exit code $code"
}
check_install() {
  echo "== Checking the installation in $1"
  "$wine_run" "$build/tools/drivers/setup_driver.exe" 'D:\Setup.exe' check "$1" \
    --acad-profile "${acad_profiles#HKCU\\}\\<<enggZEMLO V8>>" </dev/null | from_gbk | sed 's/^/  /'
  [ "${PIPESTATUS[0]}" = 0 ] || fail "the installation in $1"
}

echo "== A fresh prefix in $prefix"
"$wine_run" cmd /c exit </dev/null >/dev/null 2>&1 || "$wine_run" cmd /c exit </dev/null >/dev/null 2>&1 \
  || { echo "FAIL: no prefix"; exit 1; }
if [ -n "$dpi" ]; then
  # Wine 8 takes the screen's DPI from the user's "LogPixels" (before the
  # machine-wide one under Hardware Profiles) when its processes start.
  reg_add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi"
  stop_wine
fi
ln -sfn "$build/medium" "$prefix/dosdevices/d:"
program_files="$prefix/drive_c/Program Files"
install_dir="$program_files/Kestrova/ZEMLO"

acad_code='ACAD-6001:804'
acad_profiles="HKCU\\Software\\Autodesk\\AutoCAD\\R17.1\\$acad_code\\Profiles"
reg_add 'HKCU\SOFTWARE\Autodesk\AutoCAD\R17.1' /v CurVer /d "$acad_code"
reg_add "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\$acad_code" /v AcadLocation /d 'C:\Program Files\AutoCAD 2008'
reg_add "$acad_profiles\\<<未命名配置>>\\General" /v ACAD /d 'C:\Program Files\AutoCAD 2008\support'
mkdir -p "$program_files/AutoCAD 2008"
# A new Wine prefix knows the text file type but not that ".txt" is one;
# Windows does, and the finish page opens readme.txt through it.
reg_add 'HKCR\.txt' /ve /d txtfile

setup quit || fail "quitting from the pages"
[ -e "$program_files/Kestrova" ] && fail "quitting left files"

# What an installation touches besides its folder: the shortcut folders and
# the registry keys it writes.
shortcut_folders() {
  (cd "$prefix/drive_c" && find users ProgramData \( -path '*Desktop*' -o -path '*Start Menu*' \) 2>/dev/null | sort)
}
touched() {
  shortcut_folders
  local key
  local key view
  for key in 'HKCU\Software\Autodesk' 'HKLM\SOFTWARE\Kestrova' \
      'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\ZEMLO V8'; do
    for view in 32 64; do
      echo "[$key, $view-bit view]"
      "$wine_run" reg query "$key" /s "/reg:$view" 2>/dev/null | tr -d '\r'
    done
  done
}
before_cancel=$(touched)
setup cancel-copy 'C:\Cancelled' || fail "cancelling during the copy"
[ -e "$prefix/drive_c/Cancelled" ] && fail "a cancelled copy left files: $(cd "$prefix/drive_c/Cancelled" && find . | head)"
[ "$(touched)" = "$before_cancel" ] || fail "a cancelled copy changed the shortcut folders or the registry: $(diff <(echo "$before_cancel") <(touched) | head)"

setup install 'C:\Program Files' --acad-profile "${acad_profiles#HKCU\\}\\<<enggZEMLO V8>>" \
  || fail "the installation through the wizard"
links=()
if [ -f "$install_dir/Uninstall.log" ]; then
  mapfile -t links < <(from_gbk < "$install_dir/Uninstall.log" | sed -n 's/^File Copy: \(.*\.[lL][nN][kK]\)$/\1/p')
fi

# Where each recorded shortcut lies in the prefix: checked to be there now,
# so that its absence after the uninstallation means something.
link_file() { printf '%s' "$prefix/drive_c/$(printf '%s' "${1#C:\\}" | tr '\\' '/')"; }
for link in "${links[@]}"; do
  [ -e "$(link_file "$link")" ] || fail "recorded shortcut not found after the installation: $link"
done

setup reinstall-no || fail "declining the re-install"
[ -f "$install_dir/Uninstall.log" ] || fail "declining the re-install changed the installation"

# Unattended, over the installation the wizard made: no question, no window.
unattended 0 'D:\Setup.exe' '/S /LOG=C:\over.log' --no-window
check_install 'C:\Program Files\Kestrova\ZEMLO'
check_run_log over.log 0
run_log over.log | grep -q '^问题: 已经安装了本软件.*回答: 是' || fail "the run log records the re-install question and its answer"

echo "== Over the earlier installation: cancelled, failed, moved"
# The installation as its user and its own uninstaller see it: every file
# with its content, the registry keys it wrote, the registrations of its
# controls, the shortcut folders and where each recorded shortcut leads.
clsids=('{3F9A1D64-8B2E-4C17-A5D3-0E6B7C81F245}' '{B2C47E19-5D8A-4F36-9E01-7A3C6D2B8F54}')
installation_state() {
  local clsid
  (cd "$install_dir" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum)
  touched
  for clsid in "${clsids[@]}"; do
    echo "[HKCR\\CLSID\\$clsid]"
    "$wine_run" reg query "HKCR\\CLSID\\$clsid" /s 2>/dev/null | tr -d '\r'
  done
  "$wine_run" "$build/tools/drivers/setup_driver.exe" 'D:\Setup.exe' check 'C:\Program Files\Kestrova\ZEMLO' \
    </dev/null 2>/dev/null | from_gbk | grep '^shortcut: '
}
earlier_state=$(installation_state)
grep -q "InprocServer32" <<<"$earlier_state" || fail "the earlier installation's controls are not registered"
as_it_was() {
  local now
  now=$(installation_state)
  [ "$now" = "$earlier_state" ] ||
    fail "$1 changed the earlier installation: $(diff <(echo "$earlier_state") <(echo "$now") | head -20)"
}
setup cancel-reinstall 'C:\Program Files' || fail "cancelling a re-install during the copy"
as_it_was "a re-install cancelled during the copy"
# The last step fails: the old log cannot be put aside while another
# program holds it open.
unattended 1603 'D:\Setup.exe' '/S /LOG=C:\failed.log' --no-window \
  --hold-file 'C:\Program Files\Kestrova\ZEMLO\Uninstall.log'
check_run_log failed.log 1603
as_it_was "a re-install whose log could not be written"
# A move through the wizard, and one back unattended: each removes the
# installation before it, then installs; the product key, the uninstall
# entry, the shortcuts and the registrations are the new one's.
setup move 'C:\Moved\ZEMLO' 'C:\Program Files\Kestrova\ZEMLO' \
  --acad-profile "${acad_profiles#HKCU\\}\\<<enggZEMLO V8>>" || fail "moving the installation through the wizard"
[ -e "$install_dir" ] && fail "the move left the earlier folder: $(cd "$install_dir" && find . | head)"
unattended 0 'D:\Setup.exe' '/S /LOG=C:\moveback.log /D=C:\Program Files\Kestrova\ZEMLO' --no-window
check_run_log moveback.log 0
run_log moveback.log | grep -q '^以前的安装已卸载$' || fail "the run log of the move back says the earlier installation went"
# (The folder above it, which Setup made, is no part of the installation.)
[ -e "$prefix/drive_c/Moved/ZEMLO" ] &&
  fail "the move back left C:\\Moved\\ZEMLO: $(cd "$prefix/drive_c/Moved/ZEMLO" && find . | head)"
check_install 'C:\Program Files\Kestrova\ZEMLO'

echo "== Uninstall"
uninstall_args=(--timeout-s 120)
[ -n "$shots" ] && uninstall_args+=(--hold-ms "$hold" --freeze-working)
drive uninstall "$build/tools/drivers/uninstall_driver.exe" 'C:\Program Files\Kestrova\ZEMLO\Uninstall.exe' \
  "${uninstall_args[@]}" --expect-exit 0 || fail "the uninstallation"

# Nothing but the AutoCAD profile is left of the installation in the
# folder given (the shortcuts are those in $links).
check_removed() {
  echo "== Left after the uninstallation of $1"
  [ -e "$1" ] && fail "the install folder is still there: $(cd "$1" && find . | head)"
  [ -e "$prefix/drive_c/DelUS.bat" ] && fail "DelUS.bat is still there"
  [ ${#links[@]} -ge 3 ] || fail "fewer shortcuts recorded than expected: ${#links[@]}"
  local link
  for link in "${links[@]}"; do
    [ -e "$(link_file "$link")" ] && fail "shortcut still there: $link"
  done
  in_either_view 'HKLM\SOFTWARE\Kestrova\enggZEMLO\V8' && fail "the product key is still there"
  in_either_view 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\ZEMLO V8' && fail "the uninstall entry is still there"
  key_exists "$acad_profiles\\<<enggZEMLO V8>>" || fail "the AutoCAD profile went too (it is AutoCAD's setting and stays)"
}
check_removed "$install_dir"

echo "== Unattended runs"
# Bad command lines: nothing is installed; a box only when not silent.
unattended 1639 'D:\Setup.exe' '/LOG=C:\bad.log /S /Q' --no-window
# Nothing of a command line that cannot be read is used, its log file neither.
[ -e "$prefix/drive_c/bad.log" ] && fail "a bad command line wrote its log file"
unattended 1639 'D:\Setup.exe' '/D=C:\ZEMLO /S' --no-window
unattended 1639 'D:\Setup.exe' '/S /D=Relative\ZEMLO' --no-window
unattended 1639 'D:\Setup.exe' '/Q' --answer-box
unattended 0 'D:\Setup.exe' '/?' --answer-box
[ -e "$install_dir" ] && fail "a bad command line installed something"
[ -e "$prefix/drive_c/ZEMLO" ] && fail "a bad command line installed into C:\\ZEMLO"

# A medium with a product folder missing: the question it raises is
# answered by failing, and what was copied is undone.
rm -rf "$work/broken-medium"
cp -rL "$build/medium" "$work/broken-medium"
rm -rf "$work/broken-medium/Database"
ln -sfn "$work/broken-medium" "$prefix/dosdevices/e:"
before_broken=$(touched)
unattended 1603 'E:\Setup.exe' '/S /LOG=C:\broken.log /D=C:\Broken' --no-window
[ -e "$prefix/drive_c/Broken" ] && fail "a failed unattended run left files: $(cd "$prefix/drive_c/Broken" && find . | head)"
[ "$(touched)" = "$before_broken" ] || fail "a failed unattended run changed the shortcut folders or the registry"
check_run_log broken.log 1603
run_log broken.log | grep -q '^失败: 找不到安装文件的路径 E:\\Database' || fail "the run log records the missing folder with the system's text"
run_log broken.log | grep -q '^问题: .*找不到安装文件的路径.*回答: 中止' || fail "the run log records the question and its unattended answer"
rm -f "$prefix/dosdevices/e:"

# The default folder on a clean machine, then a folder with blanks and GBK
# characters (淺 ends in the byte 0x5C).
# Each removed by its own uninstaller, unattended: no question, no window,
# the self-removal as usual.
uninstall_unattended() {
  local dir=$1 path=$2 log=$3 i
  mapfile -t links < <(from_gbk < "$path/Uninstall.log" | sed -n 's/^File Copy: \(.*\.[lL][nN][kK]\)$/\1/p')
  unattended 0 "$dir\\Uninstall.exe" "/S /LOG=C:\\$log" --no-window
  check_run_log "$log" 0
  for i in $(seq 1 100); do [ -e "$path" ] || break; sleep 0.2; done
  check_removed "$path"
}
unattended 0 'D:\Setup.exe' '/S /LOG=C:\silent.log' --no-window
check_install 'C:\Program Files\Kestrova\ZEMLO'
check_run_log silent.log 0
# A bad switch removes nothing.
unattended 1639 'C:\Program Files\Kestrova\ZEMLO\Uninstall.exe' '/S /D=C:\ZEMLO' --no-window
[ -f "$install_dir/Uninstall.log" ] || fail "a bad command line of Uninstall removed something"
uninstall_unattended 'C:\Program Files\Kestrova\ZEMLO' "$install_dir" uninstall.log

gbk_dir='C:\安装 目录\淺 ZEMLO'
unattended 0 'D:\Setup.exe' "/S /LOG=C:\gbk.log /D=$gbk_dir" --no-window
check_install "$gbk_dir"
check_run_log gbk.log 0
uninstall_unattended "$gbk_dir" "$prefix/drive_c/安装 目录/淺 ZEMLO" uninstall-gbk.log

# For all users, as a fleet tool installs, into a GBK folder: the shortcuts
# go to the all-users desktop and Programs menu (Wine's "Common Desktop"
# and "Common Programs"), none to the user's own; the Active Setup
# component's command, run as the shell runs it at a logon, writes the
# user's profile again once it was removed; the uninstaller takes the
# component, the shortcuts and the menu folder, and leaves the profiles.
echo "== For all users"
all_dir='C:\安装 目录\全体 ZEMLO'
all_path="$prefix/drive_c/安装 目录/全体 ZEMLO"
component='SOFTWARE\Microsoft\Active Setup\Installed Components\{12FEC97B-B1B8-4A93-AC00-3947DE1525EE}'
common_desktop='C:\users\Public\Desktop\'
common_menu='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\direveradi ZEMLO V8.0'
own_folders() { shortcut_folders | grep -v -e '^users/Public/' -e '^ProgramData/'; }
own_before=$(own_folders)
components() { for view in 32 64; do "$wine_run" reg query "HKLM\\${component%\\*}" /s /reg:$view 2>/dev/null | tr -d '\r'; done; }
machine_before=$(shortcut_folders; components)
unattended 0 'D:\Setup.exe' "/S /ALLUSERS /LOG=C:\allusers.log /D=$all_dir" --no-window
check_install "$all_dir"
check_run_log allusers.log 0
[ "$(own_folders)" = "$own_before" ] ||
  fail "the all-users installation changed the user's own shortcut folders: $(diff <(echo "$own_before") <(own_folders) | head)"
mapfile -t links < <(from_gbk < "$all_path/Uninstall.log" | sed -n 's/^File Copy: \(.*\.[lL][nN][kK]\)$/\1/p')
on_desktop=0 in_menu=0
for link in "${links[@]}"; do
  case $link in
    "$common_desktop"*) on_desktop=$((on_desktop + 1)) ;;
    "$common_menu\\"*) in_menu=$((in_menu + 1)) ;;
    "$all_dir\\"*) ;;
    *) fail "a shortcut neither for all users nor in the installation: $link" ;;
  esac
  [ -e "$(link_file "$link")" ] || fail "recorded shortcut not found: $link"
done
[ "$on_desktop" = 1 ] && [ "$in_menu" = 3 ] ||
  fail "$on_desktop shortcuts on the all-users desktop and $in_menu in its menu folder, 1 and 3 expected"
from_gbk < "$all_path/Uninstall.log" | grep -qxF "Made Dir: $common_menu" || fail "the log records no all-users menu folder"
stub=$("$wine_run" reg query "HKLM\\$component" /v StubPath /reg:32 2>/dev/null | from_gbk | sed -n 's/^ *StubPath *REG_SZ *//p')
[ "$stub" = "\"$all_dir\\UserSetup.exe\" /PROFILE" ] || fail "the component's StubPath is \"$stub\""
"$wine_run" reg delete "$acad_profiles\\<<enggZEMLO V8>>" /f </dev/null >/dev/null 2>&1
key_exists "$acad_profiles\\<<enggZEMLO V8>>" && fail "the profile could not be removed for the logon"
unattended 0 --active-setup "$component" --no-window
key_exists "$acad_profiles\\<<enggZEMLO V8>>" || fail "the component's command did not write the user's profile again"
uninstall_unattended "$all_dir" "$all_path" uninstall-all.log
in_either_view "HKLM\\$component" && fail "the Active Setup component is still there"
[ -e "$(link_file "$common_menu")" ] && fail "the all-users menu folder is still there"
machine_after=$(shortcut_folders; components)
[ "$machine_after" = "$machine_before" ] ||
  fail "the all-users removal left something: $(diff <(echo "$machine_before") <(echo "$machine_after") | head)"

# One medium file held open by another program, answered Ignore.
setup install-held 'C:\Held' 'D:\Data\示例工程\工程说明.txt' || fail "installing with a medium file held open"

echo "== Uninstall with a file held open"
# Another installation, removed while its readme.txt is held open: that file
# is reported and left for the restart, everything else goes.
held_dir="$prefix/drive_c/Kept"
"$wine_run" "$build/tools/drivers/install_driver.exe" 'D:\' 'C:\Kept\' >/dev/null 2>&1 || fail "the installation into C:\\Kept"
drive uninstall-held "$build/tools/drivers/uninstall_driver.exe" 'C:\Kept\Uninstall.exe' --timeout-s 120 \
  --expect-left 1 --hold-file 'C:\Kept\readme.txt' --batch-waits || fail "the uninstallation with a held file"
held_left=$(cd "$held_dir" 2>/dev/null && find . -mindepth 1 | tr '\n' ' ')
[ "$held_left" = "./readme.txt " ] || fail "more or less than the held file is left: $held_left"
session='HKLM\System\CurrentControlSet\Control\Session Manager'
"$wine_run" reg query "$session" /v PendingFileRenameOperations 2>/dev/null | tr -d '\r' | grep -qi 'Kept.readme.txt' \
  || fail "the held file is not scheduled for the restart"
in_either_view 'HKLM\SOFTWARE\Kestrova\enggZEMLO\V8' && fail "the product key is still there after the held-file run"

stop_wine
if [ "$failed" = 0 ]; then
  rm -rf "$work"
  echo "PASS"
fi
exit "$failed"
