#!/usr/bin/env bash
# `corvane verify` on messages made by `corvane sign` and by the openssl command.
set -euo pipefail
source "$(dirname "$0")/lib/tool_home.sh"
import_fixed_issuer_user
printf 'tool data\0with a zero byte' > data.bin
success="验证签名成功，该信息是由颁发者：CN=QDRA, OU=config, O=Ostrevalia  ，序列号：00C0 FFEE  的证书签发的"

# Attached, from corvane sign: the content on standard output, the success text on standard error.
"$tool" sign --serial 00C0FFEE --in data.bin --out attached.b64
"$tool" verify --in attached.b64 > content.bin 2> said.txt || fail "attached: $(cat said.txt)"
cmp -s data.bin content.bin || fail "attached content differs"
grep -qF "$success" said.txt || fail "no success text in: $(cat said.txt)"

# Detached, from openssl: verified over --data; nothing on standard output.
openssl cms -sign -binary -in data.bin -signer user.pem -inkey user.key -outform DER \
  -out detached.der
openssl base64 -in detached.der -out detached.b64
"$tool" verify --data data.bin < detached.b64 > nothing.bin 2> said.txt || fail "detached: $(cat said.txt)"
[ ! -s nothing.bin ] || fail "detached verification wrote content"

# Data handed with either form is what is checked. One row each: the message, the data file (-
# for none), the code (0: verified).
printf 'tool data\0with a zero bytE' > changed.bin
while read -r message data code; do
  with_data=(); [ "$data" = - ] || with_data=(--data "$data")
  got=0
  "$tool" verify --in "$message" "${with_data[@]}" > /dev/null 2> said.txt ||
    got=$(grep -o -- '(-100[0-9][0-9])' said.txt | tr -d '()' || echo "no code")
  [ "$got" = "$code" ] || fail "$message with $data: expected $code, got: $(cat said.txt)"
done <<'ROWS'
attached.b64 data.bin 0
attached.b64 changed.bin -10010
detached.b64 data.bin 0
detached.b64 changed.bin -10010
detached.b64 - -10010
ROWS
grep -q "detached signature" said.txt || fail "no reason for the detached signature without data"
# Failing attached messages: the export's own code, whatever the message's fault. One row each:
# how the message is made, the code.
openssl base64 -d -in attached.b64 -out attached.der
flip() {  # file offset: a copy with the byte at offset inverted
  cp "$1" flipped.der
  printf "$(printf '\\%03o' $(( $(od -An -tu1 -j "$2" -N1 "$1") ^ 255 )))" |
    dd of=flipped.der bs=1 seek="$2" conv=notrunc status=none
  openssl base64 -in flipped.der
}
content_at=$(grep -obUa "tool data" attached.der | head -1 | cut -d: -f1)
openssl cms -sign -binary -nodetach -noattr -nocerts -in data.bin -signer user.pem -inkey user.key \
  -outform DER | openssl base64 > without_certificates.b64
openssl cms -encrypt -binary -aes128 -in data.bin -outform DER user.pem | openssl base64 > enveloped.b64
# A signer whose certificate holds an Ed25519 key (same issuer and serial number as the RSA key
# that signed): refused as a bad signature, told as not supported.
openssl genpkey -algorithm ed25519 -out ed25519.key
openssl req -new -key ed25519.key -subj "/CN=Tool User" -out ed25519.csr
openssl x509 -req -in ed25519.csr -CA ca.pem -CAkey ca.key -set_serial 0x00C0FFEE -days 30 \
  -out ed25519.pem 2>/dev/null
openssl cms -sign -binary -nodetach -nocerts -certfile ed25519.pem -in data.bin -signer user.pem \
  -inkey user.key -outform DER | openssl base64 > ed25519_signer.b64
while read -r name code; do
  case $name in
    content_flipped) flip attached.der "$content_at" ;;
    signature_flipped) flip attached.der $(( $(stat -c %s attached.der) - 1 )) ;;
    no_certificates) cat without_certificates.b64 ;;
    envelope) cat enveloped.b64 ;;
    ed25519_signer) cat ed25519_signer.b64 ;;
  esac > "row.b64"
  if "$tool" verify --in row.b64 > /dev/null 2> said.txt; then fail "$name verified"; fi
  grep -q -- "($code)" said.txt || fail "$name: expected $code, got: $(cat said.txt)"
done <<'ROWS'
content_flipped -10010
signature_flipped -10010
no_certificates -10009
envelope -10007
ed25519_signer -10010
ROWS
grep -q "signer's key algorithm ED25519 (1.3.101.112) is not supported" said.txt || fail "no reason: $(cat said.txt)"
# The outcome is said once: by the tool's line, or with --boxes by the library's box (the none
# front end writes it on standard error) and then only the reason.
for boxes in "" --boxes; do
  if CORVANE_UI=none "$tool" verify --in detached.b64 $boxes > /dev/null 2> said.txt; then fail "verified"; fi
  [ "$(grep -c -- "-10010\|无效的证书签名" said.txt)" = 1 ] || fail "said ${boxes:-without boxes}: $(cat said.txt)"
  [ "$(grep -c "detached signature" said.txt)" = 1 ] || fail "no reason ${boxes}: $(cat said.txt)"
done
echo "verify tool: ok"
