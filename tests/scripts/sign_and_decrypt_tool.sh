#!/usr/bin/env bash
# `corvane sign` and `corvane decrypt` on files and pipes, checked with the openssl command.
set -euo pipefail
source "$(dirname "$0")/lib/tool_home.sh"
import_fixed_issuer_user
printf 'tool data\0with a zero byte' > data.bin

# By serial number (the DER serial keeps its sign byte: 00C0FFEE), no box, detached.
"$tool" sign --detached --serial 00C0FFEE --in data.bin --out detached.b64
[ ! -s ui.log ] || fail "the serial-number variant showed something"
openssl base64 -d -in detached.b64 -out detached.der
openssl cms -verify -binary -inform DER -in detached.der -content data.bin -CAfile ca.pem \
  -purpose any -out /dev/null 2>/dev/null || fail "detached signature does not verify"

# By serial and issuer text, attached, from standard input.
"$tool" sign --serial 00c0ffee --issuer "CN=QDRA, OU=config, O=Ostrevalia" < data.bin > attached.b64
openssl base64 -d -in attached.b64 -out attached.der
openssl cms -verify -binary -inform DER -in attached.der -CAfile ca.pem -purpose any \
  -out verified.bin 2>/dev/null || fail "attached signature does not verify"
cmp -s data.bin verified.bin || fail "attached content differs"

# An unknown serial falls back to the chooser; cancelled there, the tool fails with the code's text.
if CORVANE_UI_CHOICES=cancel "$tool" sign --serial 0BAD --in data.bin > /dev/null 2> error.txt; then
  fail "signing succeeded after a cancelled chooser"
fi
grep -q -- "-10005" error.txt || fail "no result code in: $(cat error.txt)"
grep -q "^choose	" ui.log || fail "the chooser was not shown"
grep -q "no certificate of serial number 0BAD under the issuer \"CN=QDRA, OU=config, O=Ostrevalia\" in MY" \
  error.txt || fail "no reason in: $(cat error.txt)"

# --serial as a person writes it: any case and leading zeros, under whichever issuer holds it,
# the issuer as the library or `store import` prints it (serial 77 is held under two issuers); and
# why no certificate was had. One row each: the environment, the command's options, what standard
# error says (- for nothing: signed).
self_signed own "/CN=Own Root" 0x0C0A
self_signed other "/CN=Other Root" 0x77
openssl req -x509 -newkey rsa:2048 -nodes -keyout own77.key -out own77.pem -days 30 -set_serial 0x77 \
  -subj "/CN=Own 77" 2>/dev/null
"$tool" store import MY own.pem own.key other.pem other.key own77.pem own77.key >/dev/null
while IFS='|' read -r environment options said; do
  # shellcheck disable=SC2086
  if eval "env $environment \"\$tool\" $options --in data.bin" > /dev/null 2> error.txt; then
    [ "$said" = - ] || fail "$options signed"
  else
    grep -qF -- "$said" error.txt || fail "$environment $options: $(cat error.txt)"
  fi
done <<'ROWS'
CORVANE_UI=script|sign --serial c0ffee|-
CORVANE_UI=script|sign --serial c0a|-
CORVANE_UI=script|sign --serial 00000C0A --issuer "CN = Own Root"|-
CORVANE_UI=script|sign --serial 77 --issuer "CN=Own 77"|-
CORVANE_UI=script|sign --serial 77|several certificates have serial number 77; name one with --issuer:
CORVANE_UI=script|sign --serial 77 --issuer "CN=Nobody"|no certificate of serial number 77 under the issuer "CN=Nobody" in MY
CORVANE_UI=script|sign --serial 0x0C0A|--serial takes the serial number's hex digits
CORVANE_UI=none|sign|no chooser could be shown: no display and no terminal
CORVANE_UI_CHOICES=cancel|sign|no certificate was chosen: the chooser was cancelled
CORVANE_HOME=$PWD/empty|encrypt|CA and ROOT hold no certificate: import one
ROWS

# An Ed25519 key: the signing failure's code, and the reason.
openssl req -x509 -newkey ed25519 -nodes -keyout ed.key -out ed.pem -days 30 -set_serial 0x5D \
  -subj "/CN=Edwards" 2>/dev/null
"$tool" store import MY ed.pem ed.key >/dev/null
if "$tool" sign --serial 5D --issuer "CN=Edwards" --in data.bin > /dev/null 2> error.txt; then
  fail "signed with an Ed25519 key"
fi
grep -q -- "-10020" error.txt || fail "no result code in: $(cat error.txt)"
grep -q "key of the signing certificate is Ed25519, which PKCS #7 signing here does not support" error.txt ||
  fail "no reason in: $(cat error.txt)"

# An envelope made by openssl opens with corvane decrypt.
openssl cms -encrypt -binary -des3 -in data.bin -outform DER -out envelope.der user.pem
openssl base64 -in envelope.der -out envelope.b64
"$tool" decrypt --in envelope.b64 --out opened.bin
cmp -s data.bin opened.bin || fail "decrypted content differs"
grep -q "box	提示信息	解密成功" ui.log || fail "no success box"

# Algorithms the library does not have: the export's code, and the tool names the algorithm. One
# row each: the openssl cms options, the reason expected.
while IFS='|' read -r options reason; do
  # shellcheck disable=SC2086
  openssl cms -encrypt -binary $options -in data.bin -outform DER -out unsupported.der
  if openssl base64 -in unsupported.der | "$tool" decrypt --out never.bin 2> error.txt; then
    fail "$options opened"
  fi
  grep -q -- "-10023" error.txt && grep -q "$reason" error.txt || fail "$options: $(cat error.txt)"
done <<'ROWS'
-aes128 -recip user.pem -keyopt rsa_padding_mode:oaep|key transport rsaesOaep (1.2.840.113549.1.1.7) is not supported
-aes-128-gcm -recip user.pem|content type id-smime-ct-authEnvelopedData (1.2.840.113549.1.9.16.1.23) is not supported
ROWS

# Not Base64 at its end: the decoding failure's code, non-zero exit, nothing written.
printf 'YWJjY' | { if "$tool" decrypt --out never.bin 2> error.txt; then fail "bad text opened"; fi; }
[ ! -e never.bin ] || fail "output written on failure"
grep -q -- "-10002" error.txt || fail "no result code in: $(cat error.txt)"
echo "sign and decrypt tool: ok"
