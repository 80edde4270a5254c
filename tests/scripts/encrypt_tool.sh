#!/usr/bin/env bash
# `corvane encrypt` by serial number and issuer, and through the chooser; openssl and
# `corvane decrypt` open what it makes.
set -euo pipefail
source "$(dirname "$0")/lib/tool_home.sh"
export CORVANE_UI_CHOICES=0
self_signed user "/CN=Tool User" 0x5E
"$tool" store import CA user.pem >/dev/null
"$tool" store import MY user.pem user.key >/dev/null
printf 'tool data\0with a zero byte\n' > data.bin

"$tool" encrypt --serial 5E --issuer "CN=Tool User" --in data.bin --out by-serial.b64
[ ! -s ui.log ] || fail "the serial-number variant showed something"
openssl base64 -d -in by-serial.b64 -out by-serial.der
openssl cms -decrypt -binary -provider legacy -provider default -inform DER -in by-serial.der \
  -recip user.pem -inkey user.key -out opened.bin 2>/dev/null || fail "openssl cannot open it"
cmp -s data.bin opened.bin || fail "openssl opened other content"

"$tool" encrypt < data.bin | "$tool" decrypt --out opened.bin
grep -q "box	提示信息	加密成功" ui.log || fail "no success box"
cmp -s data.bin opened.bin || fail "decrypted content differs"
echo "encrypt tool: ok"
