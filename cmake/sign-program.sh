#!/usr/bin/env bash
# Signs one program in place with Authenticode (SHA-256), the certificate
# named in the environment (see cmake/Signing.cmake):
#   ZEMLO_SIGN_CERT + ZEMLO_SIGN_KEY, or ZEMLO_SIGN_PKCS12;
#   ZEMLO_SIGN_PASSWORD, ZEMLO_SIGN_TIMESTAMP when needed.
# The password reaches osslsigncode through a pipe it reads as a file,
# never on a command line (which every user of the machine can list). A
# program that cannot be signed is deleted, so that the next build links
# and signs it again instead of shipping it unsigned.
#
# Usage: sign-program.sh <osslsigncode> <program>
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: sign-program.sh <osslsigncode> <program>" >&2; exit 2; }
osslsigncode=$1 program=$2
fail() {
  echo "sign-program.sh: $(basename "$program"): $*" >&2
  rm -f "$program" "$program.signed"
  exit 1
}

args=(sign -h sha256 -n "ZEMLO V8.0")
if [ -n "${ZEMLO_SIGN_PKCS12:-}" ]; then
  [ -z "${ZEMLO_SIGN_CERT:-}${ZEMLO_SIGN_KEY:-}" ] || fail "give ZEMLO_SIGN_PKCS12 or ZEMLO_SIGN_CERT and ZEMLO_SIGN_KEY, not both"
  [ -r "$ZEMLO_SIGN_PKCS12" ] || fail "cannot read ZEMLO_SIGN_PKCS12 ($ZEMLO_SIGN_PKCS12)"
  args+=(-pkcs12 "$ZEMLO_SIGN_PKCS12")
elif [ -n "${ZEMLO_SIGN_CERT:-}" ] && [ -n "${ZEMLO_SIGN_KEY:-}" ]; then
  [ -r "$ZEMLO_SIGN_CERT" ] || fail "cannot read ZEMLO_SIGN_CERT ($ZEMLO_SIGN_CERT)"
  [ -r "$ZEMLO_SIGN_KEY" ] || fail "cannot read ZEMLO_SIGN_KEY ($ZEMLO_SIGN_KEY)"
  args+=(-certs "$ZEMLO_SIGN_CERT" -key "$ZEMLO_SIGN_KEY")
else
  fail "signing is on but no certificate is given: set ZEMLO_SIGN_CERT and ZEMLO_SIGN_KEY, or ZEMLO_SIGN_PKCS12"
fi
[ -z "${ZEMLO_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$ZEMLO_SIGN_TIMESTAMP")

rm -f "$program.signed"
# printf is the shell's own: the password is on no process's command line.
if [ -n "${ZEMLO_SIGN_PASSWORD:-}" ]; then
  output=$("$osslsigncode" "${args[@]}" -readpass <(printf '%s\n' "$ZEMLO_SIGN_PASSWORD") \
    -in "$program" -out "$program.signed" 2>&1) || fail "osslsigncode failed: $output"
else
  output=$("$osslsigncode" "${args[@]}" -in "$program" -out "$program.signed" 2>&1) || fail "osslsigncode failed: $output"
fi
mv -f "$program.signed" "$program"
