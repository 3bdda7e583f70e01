#!/usr/bin/env bash
# make sign, proven with a throwaway certificate: copies of the built PE32 are
# signed by scripts/sign.sh (from a PKCS#12 file with its password in a file,
# and from a certificate and key named in a SIGN_CONFIG file), each copy
# verifies with that certificate as the only trust anchor, a copy with one
# changed byte does not, signing twice leaves one signature, the build's own
# Setup.exe stays unsigned, and the signed program installs under Wine.
#
#   check_signing.sh <build root> <scenario>
set -uo pipefail
build=${1:?build root}
scenario=${2:?scenario}
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$build/win32/Setup.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

verify() {  # file -> 0 when the signature holds with the test certificate as trust anchor
  osslsigncode verify -in "$1" -CAfile "$work/cert.pem" >"$work/verify.log" 2>&1
}

# A code-signing certificate of its own issuer, valid for two days.
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 2 -subj "/CN=Quorin Test Publisher" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || { echo "FAIL: openssl req"; exit 1; }
echo "throwaway secret" > "$work/pass.txt"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/cert.p12" \
  -passout "file:$work/pass.txt" || { echo "FAIL: openssl pkcs12"; exit 1; }
before=$(sha256sum < "$exe")

cp "$exe" "$work/p12.exe"
SIGN_PKCS12=$work/cert.p12 SIGN_PASS_FILE=$work/pass.txt "$root/scripts/sign.sh" "$work/p12.exe" \
  || fail "signing with a PKCS#12 file"
verify "$work/p12.exe" || { cat "$work/verify.log"; fail "the PKCS#12-signed copy does not verify"; }

printf 'SIGN_CERT=%s\nSIGN_KEY=%s\n# a comment\nSIGN_NAME=Quorin Setup test\n' "$work/cert.pem" "$work/key.pem" \
  > "$work/sign.conf"
SIGN_CONFIG=$work/sign.conf "$root/scripts/sign.sh" "$exe" "$work/pem.exe" || fail "signing with a certificate and key"
verify "$work/pem.exe" || { cat "$work/verify.log"; fail "the certificate-and-key-signed copy does not verify"; }
[ "$(sha256sum < "$exe")" = "$before" ] || fail "signing into a copy changed $exe"

# Signed again: one signature, still good.
SIGN_CONFIG=$work/sign.conf "$root/scripts/sign.sh" "$work/pem.exe" || fail "signing a signed copy again"
verify "$work/pem.exe" || fail "the copy signed twice does not verify"
signatures=$(grep -c "^Signer's certificate:" "$work/verify.log" || true)
[ "$signatures" = 1 ] || { cat "$work/verify.log"; fail "$signatures signers after signing twice, expected 1"; }

# Another certificate as trust anchor: not trusted.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Someone Else" \
  -keyout "$work/other.key" -out "$work/other.pem" 2>/dev/null
osslsigncode verify -in "$work/p12.exe" -CAfile "$work/other.pem" >/dev/null 2>&1 \
  && fail "the signature verifies with a certificate that did not sign it"

# One changed byte in the code: the signature no longer holds.
cp "$work/p12.exe" "$work/changed.exe"
offset=$(( 0x400 + 16 ))
byte=$(od -An -tu1 -j "$offset" -N1 "$work/changed.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(( (byte + 1) % 256 )))" | dd of="$work/changed.exe" bs=1 seek="$offset" conv=notrunc 2>/dev/null
cmp -s "$work/p12.exe" "$work/changed.exe" && fail "the byte was not changed"
verify "$work/changed.exe" && fail "a copy with a changed byte still verifies"

# A signature that is missing is reported as such.
verify "$exe" && fail "the unsigned build verifies"

# The signed program as players get it, installed under Wine (where this
# machine runs 32-bit programs; elsewhere the bench has no way to start it).
if python3 -c "import sys; sys.path.insert(0, '$root/bench'); import wine; sys.exit(not wine.runs_32bit_programs())"; then
  python3 "$root/bench/run.py" --build "$build" --program win32 --setup-exe "$work/p12.exe" "$scenario" \
    || fail "the signed Setup.exe did not pass $scenario"
else
  echo "NOTE: this machine cannot run 32-bit programs under Wine: the signed PE32 was not run"
fi

[ $status -eq 0 ] && echo "signing ok"
exit $status
