#!/usr/bin/env bash
# Signs Setup.exe (Authenticode, SHA-256) with the publisher's certificate,
# using osslsigncode. `make sign` runs it on build/win32/Setup.exe.
#
#   scripts/sign.sh <Setup.exe> [<signed copy>]
#
# Without a second file the program is signed in place; a signature it
# already has is replaced. The certificate comes from variables, or from a
# file of such VAR=value lines named by SIGN_CONFIG:
#
#   SIGN_PKCS12      the certificate, its chain and its private key in one
#                    PKCS#12 file (.p12, .pfx)
#   SIGN_CERT        or: the certificate and its chain (PEM, DER or SPC) ...
#   SIGN_KEY         ... and its private key (PEM or DER)
#   SIGN_PASS        the password of the PKCS#12 file or of the key, or
#   SIGN_PASS_FILE   a file holding it (kept out of the process list)
#   SIGN_TIMESTAMP   optional: an RFC 3161 time-stamping URL, so that the
#                    signature stays valid after the certificate expires
#   SIGN_NAME        optional: the program name in the signature
#                    (default "Quorin Setup")
#   SIGN_URL         optional: the publisher's web address in the signature
set -euo pipefail

die() { echo "sign: $*" >&2; exit 2; }

in=${1:?usage: scripts/sign.sh <Setup.exe> [<signed copy>]}
out=${2:-$in}
[ -f "$in" ] || die "no such file: $in (build it first: make win32)"
command -v osslsigncode >/dev/null || die "osslsigncode is missing (scripts/bootstrap.sh installs it)"

if [ -n "${SIGN_CONFIG:-}" ]; then
  [ -f "$SIGN_CONFIG" ] || die "no such file: SIGN_CONFIG=$SIGN_CONFIG"
  # Only the SIGN_ variables, read as plain values, never run as shell code.
  while IFS= read -r line || [ -n "$line" ]; do
    case "$line" in
      SIGN_PKCS12=*|SIGN_CERT=*|SIGN_KEY=*|SIGN_PASS=*|SIGN_PASS_FILE=*|SIGN_TIMESTAMP=*|SIGN_NAME=*|SIGN_URL=*)
        name=${line%%=*}
        [ -n "${!name:-}" ] || printf -v "$name" '%s' "${line#*=}" ;;
      ''|'#'*) ;;
      *) die "SIGN_CONFIG: not a SIGN_ setting: $line" ;;
    esac
  done < "$SIGN_CONFIG"
fi

args=(sign -h sha256 -n "${SIGN_NAME:-Quorin Setup}")
if [ -n "${SIGN_PKCS12:-}" ]; then
  [ -f "$SIGN_PKCS12" ] || die "no such file: SIGN_PKCS12=$SIGN_PKCS12"
  args+=(-pkcs12 "$SIGN_PKCS12")
elif [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ]; then
  [ -f "$SIGN_CERT" ] || die "no such file: SIGN_CERT=$SIGN_CERT"
  [ -f "$SIGN_KEY" ] || die "no such file: SIGN_KEY=$SIGN_KEY"
  args+=(-certs "$SIGN_CERT" -key "$SIGN_KEY")
else
  die "no certificate: set SIGN_PKCS12, or SIGN_CERT and SIGN_KEY (or name a file of them in SIGN_CONFIG)"
fi
if [ -n "${SIGN_PASS_FILE:-}" ]; then
  [ -f "$SIGN_PASS_FILE" ] || die "no such file: SIGN_PASS_FILE=$SIGN_PASS_FILE"
  args+=(-readpass "$SIGN_PASS_FILE")
elif [ -n "${SIGN_PASS:-}" ]; then
  args+=(-pass "$SIGN_PASS")
fi
[ -z "${SIGN_URL:-}" ] || args+=(-i "$SIGN_URL")
[ -z "${SIGN_TIMESTAMP:-}" ] || args+=(-ts "$SIGN_TIMESTAMP")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unsigned=$work/unsigned.exe
# A signed program is signed anew, not signed twice.
if ! osslsigncode remove-signature -in "$in" -out "$unsigned" >/dev/null 2>&1; then
  cp "$in" "$unsigned"
fi
osslsigncode "${args[@]}" -in "$unsigned" -out "$work/signed.exe" >"$work/log" 2>&1 || {
  cat "$work/log" >&2
  die "osslsigncode could not sign $in"
}
cp "$work/signed.exe" "$out.tmp"
mv "$out.tmp" "$out"
echo "signed $out ($(stat -c %s "$out") bytes)"
