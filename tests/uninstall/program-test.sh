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
# Usage: program-test.sh <wine-run> <prefix> <uninstall_driver.exe>
#                        <install_driver.exe> <medium folder> <sandbox folder>
set -u
wine_run=$1 prefix=$2 driver=$3 installer=$4 medium=$5 sandbox=$6

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
run_driver() { "$wine_run" "$driver" "$@" 2>&1 | tr -d '\r' | iconv -f GBK -t UTF-8 -c; return "${PIPESTATUS[0]}"; }

medium_win="Z:$(printf '%s' "$medium" | tr '/' '\\')\\"
install="$sandbox/ZEMLO V8"
"$wine_run" "$installer" "$medium_win" 'U:\ZEMLO V8\' >/dev/null 2>&1 || fail "the installation failed"
[ -f "$install/Uninstall.exe" ] && [ -f "$install/Uninstall.log" ] || fail "no installation to remove"
before=$(cd "$install" && find . | sort)

echo "== answering No"
run_driver 'U:\ZEMLO V8\Uninstall.exe' --answer no --timeout-s 30 || fail "the driver (No) failed"
after=$(cd "$install" && find . | sort)
[ "$before" = "$after" ] || fail "answering No changed the installation"

echo "== log unreadable: file error, failure message, nothing removed"
run_driver 'U:\ZEMLO V8\Uninstall.exe' --lock-log --timeout-s 30 || fail "the driver (locked log) failed"
after=$(cd "$install" && find . | sort)
[ "$before" = "$after" ] || fail "an unreadable log changed the installation"

echo "== answering Yes, then finish (the uninstaller and a file read-only, as copied from a CD)"
"$wine_run" attrib +r 'U:\ZEMLO V8\Uninstall.exe' >/dev/null 2>&1 || fail "cannot make the uninstaller read-only"
"$wine_run" attrib +r 'U:\ZEMLO V8\readme.txt' >/dev/null 2>&1 || fail "cannot make readme.txt read-only"
run_driver 'U:\ZEMLO V8\Uninstall.exe' --timeout-s 30 || fail "the driver (Yes) failed"
[ -e "$install" ] && fail "the install folder is still there: $(cd "$install" && find . | head)"
[ -e "$sandbox/DelUS.bat" ] && fail "DelUS.bat is still there"

echo "== the medium's own copy: removes the installation, stays itself"
"$wine_run" "$installer" "$medium_win" 'U:\ZEMLO V8\' >/dev/null 2>&1 || fail "the second installation failed"
mkdir -p "$sandbox/Medium"
cp "$medium/Uninstall.exe" "$sandbox/Medium/"
run_driver 'U:\Medium\Uninstall.exe' --installed-in 'U:\ZEMLO V8' --timeout-s 30 || fail "the driver (copy from elsewhere) failed"
[ -e "$install" ] && fail "the install folder is still there: $(cd "$install" && find . | head)"
[ -f "$sandbox/Medium/Uninstall.exe" ] || fail "the medium's copy was deleted"
rm -rf "$sandbox/Medium"

echo "== no log: silent close"
# The install folder recorded in the registry would be used instead of the
# program's own folder: make sure none is left from another installation.
"$wine_run" reg delete 'HKLM\SOFTWARE\Kestrova\enggZEMLO\V8' /f >/dev/null 2>&1 || true
mkdir -p "$sandbox/NoLog"
cp "$medium/Uninstall.exe" "$sandbox/NoLog/"
run_driver 'U:\NoLog\Uninstall.exe' --expect-silent-close --timeout-s 30 || fail "the driver (no log) failed"

leftover=$(cd "$sandbox" && find . -mindepth 1 | grep -v '^./NoLog' | head)
[ -z "$leftover" ] || fail "left in the sandbox: $leftover"
rm -f "$prefix/dosdevices/u:"
rm -rf "$sandbox"
[ "$failed" = 0 ] && echo "PASS"
exit "$failed"
