#!/usr/bin/env bash
# The signing round trip: the programs signed by cmake/sign-program.sh (as
# the build signs them) with a throw-away certificate made here by openssl,
# once from a PEM certificate and key and once from a PKCS#12 file with a
# password; each signature verified by osslsigncode against the throw-away
# root (SHA-256), a changed byte breaking it, and the signed programs still
# passing the shipped-program checks. A signing that cannot be done fails
# and leaves no program behind. Exit 77 (skipped) without osslsigncode or
# openssl.
#
# Usage: sign-test.sh <sign-program.sh> <check-programs.sh> <objdump> <x86|x64> <work-dir> <program.exe>...
set -u
[ $# -ge 6 ] || { echo "usage: sign-test.sh <sign-program.sh> <check-programs.sh> <objdump> <x86|x64> <work-dir> <program.exe>..."; exit 2; }
sign=$(realpath "$1") check=$(realpath "$2") objdump=$3 machine=$4 work=$5
shift 5
programs=()
for program in "$@"; do programs+=("$(realpath "$program")"); done
set -- "${programs[@]}"
osslsigncode=$(command -v osslsigncode) && command -v openssl >/dev/null ||
  { echo "SKIP: osslsigncode and openssl are needed (scripts/bootstrap installs them)"; exit 77; }
rm -rf "$work"
mkdir -p "$work" && cd "$work" || exit 2

failed=0
fail() { echo "FAIL: $*"; failed=1; }
quiet() { "$@" >/dev/null 2>&1; }
# The signing environment is only what each case sets.
unset ZEMLO_SIGN_CERT ZEMLO_SIGN_KEY ZEMLO_SIGN_PKCS12 ZEMLO_SIGN_PASSWORD ZEMLO_SIGN_TIMESTAMP

echo "== A throw-away root and a code-signing certificate it issued"
quiet openssl req -x509 -newkey rsa:2048 -nodes -keyout root.key -out root.pem -days 2 -subj "/CN=ZEMLO test root" \
  -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign || { echo "FAIL: no root"; exit 1; }
quiet openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Kestrova test signer" &&
printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' > signer.ext &&
quiet openssl x509 -req -in signer.csr -CA root.pem -CAkey root.key -CAcreateserial -out signer.pem -days 2 \
  -extfile signer.ext || { echo "FAIL: no signing certificate"; exit 1; }
password=$(openssl rand -hex 16)
ZEMLO_TEST_PASSWORD=$password quiet openssl pkcs12 -export -out signer.p12 -inkey signer.key -in signer.pem \
  -certfile root.pem -passout env:ZEMLO_TEST_PASSWORD || { echo "FAIL: no PKCS#12 file"; exit 1; }

# verify <program>: the signature holds, chains to the throw-away root and
# is SHA-256.
verify() {
  local out
  out=$("$osslsigncode" verify -CAfile root.pem -in "$1" 2>&1) || { echo "$out" | tail -n 5; return 1; }
  grep -qiE 'message digest algorithm *: *sha256' <<<"$out" || { echo "not SHA-256: $(grep -i 'digest algorithm' <<<"$out")"; return 1; }
  grep -qi 'signature verification: ok' <<<"$out"
}

for program in "$@"; do
  "$osslsigncode" verify -CAfile root.pem -in "$program" >/dev/null 2>&1 &&
    fail "$(basename "$program") verifies before it is signed"
done

sign_all() {
  local form=$1 program copy
  shift
  echo "== Signed from $form"
  mkdir -p "$form"
  for program in "$@"; do
    copy=$form/$(basename "$program")
    cp "$program" "$copy"
    if ! bash "$sign" "$osslsigncode" "$copy"; then fail "$(basename "$program"): signing from $form"; continue; fi
    verify "$copy" && echo "ok $(basename "$program"): signature verified" || fail "$(basename "$program"): the signature from $form does not verify"
    cmp -s "$program" "$copy" && fail "$(basename "$program"): signing changed nothing"
  done
  bash "$check" "$objdump" "$machine" "$form"/*.exe || fail "the programs signed from $form fail the shipped-program checks"
}
ZEMLO_SIGN_CERT=$PWD/signer.pem ZEMLO_SIGN_KEY=$PWD/signer.key sign_all pem "$@"
ZEMLO_SIGN_PKCS12=$PWD/signer.p12 ZEMLO_SIGN_PASSWORD=$password sign_all pkcs12 "$@"

echo "== A changed byte breaks the signature"
tampered=tampered.exe
cp "pkcs12/$(basename "$1")" "$tampered"
# A byte of the code (at 0x1000, inside the first section), not of the
# signature.
printf '\x90' | dd of="$tampered" bs=1 seek=4096 count=1 conv=notrunc status=none
cmp -s "$tampered" "pkcs12/$(basename "$1")" && printf '\xcc' | dd of="$tampered" bs=1 seek=4096 count=1 conv=notrunc status=none
verify "$tampered" >/dev/null && fail "a changed program still verifies"

echo "== A signing that cannot be done leaves no program"
cp "$1" unsigned.exe
ZEMLO_SIGN_PKCS12=$PWD/signer.p12 ZEMLO_SIGN_PASSWORD=wrong bash "$sign" "$osslsigncode" unsigned.exe 2>/dev/null &&
  fail "signing with a wrong password succeeded"
[ -e unsigned.exe ] && fail "a failed signing left the unsigned program"
cp "$1" unsigned.exe
message=$(bash "$sign" "$osslsigncode" unsigned.exe 2>&1) && fail "signing without a certificate succeeded"
grep -q 'no certificate is given' <<<"$message" || fail "no clear message without a certificate: $message"
[ -e unsigned.exe ] && fail "signing without a certificate left the unsigned program"

cd / && [ "$failed" = 0 ] && rm -rf "$work" && echo "PASS"
exit "$failed"
