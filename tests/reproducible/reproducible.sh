#!/usr/bin/env bash
# Two builds of one commit in different folders give the same medium, byte
# for byte: Setup.exe, Uninstall.exe, the stand-in program, the controls,
# the pictures and the product files. The sources (the checkout's files as
# they are, tracked and new ones, not the ignored) are copied into folders
# of different names and lengths and built from scratch there, with the
# toolchain and build type of the reference build; with --against, that
# build is one of the two (unless it signs its programs: a signature
# carries its own time, so then both builds are made here).
#
# Usage: reproducible.sh <source-dir> <work-dir> [--against <build-dir>] [--toolchain <file>]
# Prints the time each build took. Without --against, --toolchain names
# the toolchain file (default cmake/mingw-w64-i686.cmake).
set -u
[ $# -ge 2 ] || { echo "usage: reproducible.sh <source-dir> <work-dir> [--against <build-dir>] [--toolchain <file>]"; exit 2; }
source=$(cd "$1" && pwd) || exit 2
work=$2
shift 2
against= toolchain=cmake/mingw-w64-i686.cmake build_type=Release
while [ $# -gt 0 ]; do
  case $1 in
    --against) against=$(cd "$2" && pwd) || exit 2; shift 2 ;;
    --toolchain) toolchain=$2; shift 2 ;;
    *) echo "unknown option $1"; exit 2 ;;
  esac
done
if [ -n "$against" ]; then
  cache=$against/CMakeCache.txt
  [ -f "$cache" ] || { echo "FAIL: $against is no build folder"; exit 2; }
  toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$cache")
  toolchain=cmake/$(basename "$toolchain")
  build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$cache")
  if grep -q '^ZEMLO_SIGN:BOOL=ON$' "$cache"; then
    echo "the reference build signs its programs: building twice here instead"
    against=
  fi
fi
mkdir -p "$work" && work=$(cd "$work" && pwd) || exit 2
[ "$work" != / ] && [ "${source#"$work"/}" = "$source" ] || { echo "the work folder is emptied first: give one of its own"; exit 2; }
rm -rf "${work:?}"/*

# The checkout's files as they are now.
copy_sources() {
  local to=$1
  mkdir -p "$to"
  if git -C "$source" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$source" && git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
      tar --null -T - -cf -) | tar -xf - -C "$to"
  else
    (cd "$source" && tar --exclude='./build*' -cf - .) | tar -xf - -C "$to"
  fi
}

# build <folder>: the sources copied to <folder>/src, built in <folder>/out.
build() {
  local folder=$1 start
  start=$(date +%s)
  copy_sources "$folder/src" || return 1
  cmake -S "$folder/src" -B "$folder/out" -DCMAKE_TOOLCHAIN_FILE="$folder/src/$toolchain" \
    -DCMAKE_BUILD_TYPE="$build_type" -DZEMLO_SIGN=OFF >"$folder/configure.log" 2>&1 ||
    { tail -n 20 "$folder/configure.log"; return 1; }
  cmake --build "$folder/out" -j2 --target medium >"$folder/build.log" 2>&1 || { tail -n 20 "$folder/build.log"; return 1; }
  echo "built in $folder: $(( $(date +%s) - start )) s"
}

first=$against
if [ -z "$first" ]; then
  build "$work/one" || { echo "FAIL: the first build"; exit 1; }
  first=$work/one/out
fi
# Another name and another length, so that no path can line up by chance.
build "$work/second-build-of-the-same-sources" || { echo "FAIL: the second build"; exit 1; }
second=$work/second-build-of-the-same-sources/out

failed=0
if ! diff -r "$first/medium" "$second/medium" >"$work/diff.txt" 2>&1; then
  failed=1
  echo "FAIL: the two media differ:"
  head -n 20 "$work/diff.txt"
  for file in Setup.exe Uninstall.exe ZEMLO.exe; do
    cmp -s "$first/medium/$file" "$second/medium/$file" ||
      { echo "$file: $(cmp -l "$first/medium/$file" "$second/medium/$file" 2>&1 | wc -l) bytes differ, the first:"; cmp -l "$first/medium/$file" "$second/medium/$file" 2>&1 | head -n 5; }
  done
fi
for file in Setup.exe Uninstall.exe; do
  [ -s "$second/medium/$file" ] || { echo "FAIL: no $file in the medium"; failed=1; }
done
if [ "$failed" = 0 ]; then
  echo "PASS: $(cd "$second/medium" && find . -type f | wc -l) files of the medium identical (Setup.exe $(sha256sum < "$second/medium/Setup.exe" | cut -c1-16))"
  rm -rf "${work:?}"/*
fi
exit "$failed"
