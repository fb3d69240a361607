#!/usr/bin/env bash
# The shipped (32-bit) medium on 64-bit Windows: in a fresh 64-bit Wine
# prefix, where the 32-bit programs run in WOW64, one unattended
# installation (Setup.exe /S) over a stand-in 32-bit AutoCAD (its keys in
# the 32-bit registry view) and a stand-in 64-bit one (in the 64-bit view),
# checked (the files, both AutoCAD profiles and the shortcut of each, which
# starts the acad.exe of its own view, the 32-bit controls registered in
# the 32-bit registry view and the 64-bit control in the 64-bit view, by the regsvr32
# of each one's kind, the product key and the uninstall entry), then
# removed by the installed Uninstall.exe /S, after which nothing is left but
# the AutoCAD profiles. The product key and the uninstall entry are looked
# for in the 32-bit view, and must be missing from the 64-bit one.
#
# 32-bit Linux programs (Wine's 32-bit loader) run here only through
# qemu-i386, in a namespace of this run's own (scripts/wow64-run); every
# 32-bit Wine process costs a minute or more to start, so the run is a
# handful of them (the prefix's own, Setup, Uninstall, the 32-bit regsvr32
# of each 32-bit control both ways, the self-removal's cmd), about ten
# minutes in all. Exit 77 (skipped) when scripts/bootstrap-x86 could not
# install wine32:i386 because the package lists could not be read; without
# wine32:i386 or qemu-user otherwise it fails.
#
# Usage: wow64-install.sh <x86-build-dir> <work-dir>
set -u
[ $# -eq 2 ] || { echo "usage: wow64-install.sh <x86-build-dir> <work-dir>"; exit 2; }
build=$(cd "$1" && pwd) || exit 2
mkdir -p "$2" && work=$(cd "$2" && pwd) || exit 2
[ "$work" != / ] && [ "$work" != "$build" ] || { echo "the work folder is emptied first: give one of its own"; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
# In a namespace where i386 programs go to qemu (scripts/wow64-run). Skipped
# (77) only when scripts/bootstrap-x86 noted that 32-bit Wine could not be
# installed (it says why); a run that cannot start otherwise fails.
if [ "${ZEMLO_WOW64_NAMESPACE:-}" != 1 ]; then
  if [ -f "$build/wow64-unavailable" ]; then
    echo "SKIP: $(cat "$build/wow64-unavailable")"
    exit 77
  fi
  "$here/../../scripts/wow64-run" bash "$0" "$@"
  status=$?
  [ "$status" != 77 ] || { echo "FAIL: the WOW64 run could not start"; exit 1; }
  exit "$status"
fi

. "$here/../../scripts/display.sh"
export ZEMLO_WINEPREFIX=$work/wineprefix
# As the runner has it, and Internet Explorer's self-registration, a
# 32-bit process a new prefix starts otherwise, left out.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;iexplore.exe=d"
prefix=$ZEMLO_WINEPREFIX
wine_run=$build/wine-run
stop_wine() {
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w 2>/dev/null || true
}
stop_wine
rm -rf "${work:?}"/*
zemlo_ensure_display "$prefix" || exit 1
trap 'stop_wine; zemlo_stop_display' EXIT

failed=0
fail() { echo "FAIL: $*"; failed=1; }
started=$(date +%s)
phase_start=$started
phase() {
  local now
  now=$(date +%s)
  echo "   ($(( now - phase_start )) s)"
  phase_start=$now
  echo "== $*"
}
from_gbk() { tr -d '\r' | iconv -f GBK -t UTF-8 -c; }
# reg <32|64> <reg.exe arguments>: the 64-bit reg.exe on one registry view.
reg() { local view=$1; shift; "$wine_run" reg "$@" "/reg:$view" 2>/dev/null | from_gbk; return "${PIPESTATUS[0]}"; }
reg_add() { local view=$1; shift; "$wine_run" reg add "$@" /f "/reg:$view" >/dev/null 2>&1 || fail "reg add $*"; }
key_exists() { reg "$1" query "$2" >/dev/null; }
# value <view> <key> <name>: the value's data (REG_SZ or REG_DWORD as shown).
value() { reg "$1" query "$2" /v "$3" | sed -n "s/^ *$3 *REG_[A-Z_]* *//p"; }
unix_path() { printf '%s' "$prefix/drive_c/$(printf '%s' "${1#[Cc]:\\}" | tr '\\' '/')"; }

echo "== A fresh 64-bit prefix with WOW64 in $prefix"
"$wine_run" cmd /c exit </dev/null >/dev/null 2>&1 || { echo "FAIL: no prefix"; exit 1; }
[ -f "$prefix/drive_c/windows/syswow64/regsvr32.exe" ] || { echo "FAIL: the prefix has no 32-bit side (WOW64)"; exit 1; }
ln -sfn "$build/medium" "$prefix/dosdevices/d:"

# Stand-in AutoCAD releases (registry entries, a folder and its acad.exe),
# each in the registry view its kind uses: view, release, edition year,
# product code, folder. Setup finds each only by looking in that view.
acad_fixtures=(
  "32 R17.0 2007 ACAD-5001:804 C:\\Program Files (x86)\\AutoCAD 2007"
  "64 R18.0 2010 ACAD-8001:804 C:\\Program Files\\AutoCAD 2010"
)
profile='<<enggZEMLO V8>>'
profiles_key() { printf 'HKCU\\Software\\Autodesk\\AutoCAD\\%s\\%s\\Profiles' "$1" "$2"; }
for fixture in "${acad_fixtures[@]}"; do
  read -r view release year code folder <<<"$fixture"
  echo "   AutoCAD $year $release ($code, $view-bit) in $folder"
  reg_add 64 "HKCU\\SOFTWARE\\Autodesk\\AutoCAD\\$release" /v CurVer /d "$code"
  reg_add "$view" "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\$release\\$code" /v AcadLocation /d "$folder"
  reg_add 64 "$(profiles_key "$release" "$code")\\<<未命名配置>>\\General" /v ACAD /d "$folder\\support"
  mkdir -p "$(unix_path "$folder")"
  printf 'MZ' > "$(unix_path "$folder")/acad.exe"
done

phase "Setup.exe /S (32-bit, in WOW64)"
install='C:\Program Files\Kestrova\ZEMLO'
install_dir=$(unix_path "$install")
(cd "$prefix/drive_c" && timeout 1200 "$wine_run" 'D:\Setup.exe' /S '/LOG=C:\wow64-setup.log' </dev/null >/dev/null 2>&1)
status=$?
[ "$status" = 0 ] || fail "Setup.exe /S ended with $status"
setup_log=$(from_gbk < "$prefix/drive_c/wow64-setup.log" 2>/dev/null | cut -c26-)
printf '%s\n' "$setup_log" | sed 's/^/   | /'
tail -n 1 <<<"$setup_log" | grep -q '^退出代码: 0 (' || fail "the run log does not end with exit code 0"

phase "Checking the installation"
# Every file of the medium's product folders and its loose files.
for folder in Support 图框 模板 Database Data Temp; do
  diff -r "$build/medium/$folder" "$install_dir/$folder" >/dev/null 2>&1 || fail "the installed $folder differs from the medium's"
done
for file in Uninstall.exe readme.txt ZEMLO.exe ZEMLOV8.0.ico Uninstall.log; do
  [ -f "$install_dir/$file" ] || fail "$install\\$file is missing"
done
for control in "$build"/medium/Controls/*; do
  cmp -s "$control" "$install_dir/Controls/$(basename "$control")" || fail "control $(basename "$control") not installed"
done
file -L "$install_dir/Uninstall.exe" | grep -q 'PE32 executable' || fail "the installed Uninstall.exe is not the 32-bit program"

# The controls: each registered by the regsvr32 of its kind, so each wrote
# its marker key in its own registry view and none in the other; the file
# that is no module registered nothing.
controls='HKLM\SOFTWARE\Kestrova\ZemloSampleControls'
check_control() {
  local name=$1 own=$2 other=$3
  [ "$(value "$own" "$controls\\$name" Module)" = "$install\\Controls\\$name.ocx" ] ||
    fail "$name is not registered in the $own-bit view"
  key_exists "$other" "$controls\\$name" && fail "$name is registered in the $other-bit view as well"
  grep -qF "已注册控件 $install\\Controls\\$name.ocx" <<<"$setup_log" || fail "the run log does not record $name registered"
}
check_control ZemloGrid 32 64
check_control ZemloChart 32 64
check_control ZemloTerrain64 64 32
grep -qF "控件未能注册 $install\\Controls\\ZemloLegacy.ocx：不是可以注册的模块" <<<"$setup_log" ||
  fail "the run log does not give the reason for ZemloLegacy.ocx"

# The product key and the uninstall entry, in the view the 32-bit programs
# write and read.
product_view=32
product='HKLM\SOFTWARE\Kestrova\enggZEMLO\V8'
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\ZEMLO V8'
[ "$(value $product_view "$product" installPath)" = "$install\\" ] ||
  fail "the product key's installPath: $(value $product_view "$product" installPath)"
[ "$(value $product_view "$entry" QuietUninstallString)" = "\"$install\\Uninstall.exe\" /S" ] ||
  fail "the uninstall entry's QuietUninstallString: $(value $product_view "$entry" QuietUninstallString)"
[ "$(value $product_view "$entry" InstallLocation)" = "$install" ] || fail "the uninstall entry's InstallLocation"
[ "$(value $product_view "$entry" DisplayVersion)" = 8.0 ] || fail "the uninstall entry's DisplayVersion"
key_exists 64 "$product" && fail "the product key is in the 64-bit view as well"
key_exists 64 "$entry" && fail "the uninstall entry is in the 64-bit view as well"

# The AutoCAD profiles, per user (one hive for both views), and each
# release's shortcut, which starts the acad.exe of the view the release was
# found in (the link keeps the path as text, ANSI or UTF-16: with the zero
# bytes taken out either reads as the path); then the shortcuts the log
# records.
for fixture in "${acad_fixtures[@]}"; do
  read -r view release year code folder <<<"$fixture"
  key_exists 64 "$(profiles_key "$release" "$code")\\$profile" || fail "no profile for AutoCAD $release ($view-bit)"
  [ "$(value 64 "$(profiles_key "$release" "$code")\\$profile\\General" ACAD)" != "" ] ||
    fail "the profile for AutoCAD $release ($view-bit) has no support path"
  link="$install_dir/ZEMLOfor$year.LNK"
  if [ -f "$link" ]; then
    tr -d '\000' < "$link" | LC_ALL=C grep -aqF "$folder\\acad.exe" ||
      fail "ZEMLOfor$year.LNK does not start $folder\\acad.exe"
  else
    fail "no shortcut for AutoCAD $year ($view-bit)"
  fi
done
mapfile -t links < <(from_gbk < "$install_dir/Uninstall.log" | sed -n 's/^File Copy: \(.*\.[lL][nN][kK]\)$/\1/p')
[ ${#links[@]} -ge 3 ] || fail "fewer shortcuts recorded than expected: ${#links[@]}"
for link in "${links[@]}"; do
  [ -f "$(unix_path "$link")" ] || fail "recorded shortcut missing: $link"
done

phase "Uninstall.exe /S (32-bit, in WOW64)"
(cd "$prefix/drive_c" && timeout 1200 "$wine_run" "$install\\Uninstall.exe" /S '/LOG=C:\wow64-uninstall.log' </dev/null >/dev/null 2>&1)
status=$?
[ "$status" = 0 ] || fail "Uninstall.exe /S ended with $status"
uninstall_log=$(from_gbk < "$prefix/drive_c/wow64-uninstall.log" 2>/dev/null | cut -c26-)
printf '%s\n' "$uninstall_log" | sed 's/^/   | /'
tail -n 1 <<<"$uninstall_log" | grep -q '^退出代码: 0 (' || fail "the run log does not end with exit code 0"
# The self-removal batch takes the program and its folder once it ended.
for i in $(seq 1 600); do [ -e "$install_dir" ] || break; sleep 1; done

phase "Left after the uninstallation"
[ -e "$install_dir" ] && fail "the install folder is still there: $(cd "$install_dir" && find . | head)"
for link in "${links[@]}"; do
  [ -e "$(unix_path "$link")" ] && fail "shortcut still there: $link"
done
for view in 32 64; do
  key_exists $view "$product" && fail "the product key is still there ($view-bit view)"
  key_exists $view "$entry" && fail "the uninstall entry is still there ($view-bit view)"
  key_exists $view "$controls" && fail "control registrations are still there ($view-bit view): $(reg $view query "$controls" /s | head -n 5)"
done
for fixture in "${acad_fixtures[@]}"; do
  read -r view release year code folder <<<"$fixture"
  key_exists 64 "$(profiles_key "$release" "$code")\\$profile" ||
    fail "the profile for AutoCAD $release went too (it is AutoCAD's setting and stays)"
done

phase "Done in $(( $(date +%s) - started )) s"
stop_wine
if [ "$failed" = 0 ]; then
  rm -rf "${work:?}"/*
  echo "PASS"
fi
exit "$failed"
