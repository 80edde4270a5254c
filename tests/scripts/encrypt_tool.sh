#!/usr/bin/env bash
# `corvane encrypt` by serial number and through the chooser; openssl and `corvane decrypt` open it.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CORVANE_HOME=$work/home CORVANE_UI=script CORVANE_UI_LOG=$work/ui.log
unset CORVANE_UI_CHOICES
fail() { echo "FAIL: $*"; exit 1; }

cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -set_serial 1 \
  -subj "/CN=QDRA/OU=config/O=Ostrevalia" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout user.key -out user.csr -subj "/CN=Tool User" 2>/dev/null
openssl x509 -req -in user.csr -CA ca.pem -CAkey ca.key -set_serial 0x00C0FFEE -days 30 \
  -out user.pem 2>/dev/null
"$tool" store import CA user.pem >/dev/null
"$tool" store import MY user.pem user.key >/dev/null
printf 'tool data\0with a zero byte' > data.bin

"$tool" encrypt --serial 00C0FFEE --issuer "CN=QDRA, OU=config, O=Ostrevalia" --in data.bin \
  --out by-serial.b64
[ ! -s ui.log ] || fail "the serial-number variant showed something"
openssl base64 -d -in by-serial.b64 -out by-serial.der
openssl cms -decrypt -binary -provider legacy -provider default -inform DER -in by-serial.der \
  -recip user.pem -inkey user.key -out opened.bin 2>/dev/null || fail "openssl cannot open it"
cmp -s data.bin opened.bin || fail "openssl opened other content"

CORVANE_UI_CHOICES=0 "$tool" encrypt < data.bin > chosen.b64
grep -q "box	提示信息	加密成功" ui.log || fail "no success box"
"$tool" decrypt --in chosen.b64 --out opened.bin
cmp -s data.bin opened.bin || fail "decrypted content differs"

if CORVANE_UI_CHOICES=cancel "$tool" encrypt --serial 0BAD < data.bin > /dev/null 2> error.txt; then
  fail "encrypted after a cancelled chooser"
fi
grep -q -- "-10005" error.txt || fail "no result code in: $(cat error.txt)"
echo "encrypt tool: ok"
