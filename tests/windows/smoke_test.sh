#!/usr/bin/env bash
# Smoke tests of Corvane.dll under Wine, in a fresh prefix of the DLL's width: certificates and
# keys put into the user's stores and the exports called by smoke_driver.exe, the messages checked
# by the openssl command, and the certificate dialog driven under Xvfb with xdotool.
# Usage: smoke_test.sh BUILD_DIR ARTEFACT_DIR win32|win64
#   (BUILD_DIR holds Corvane.dll and smoke_driver.exe, built for 32-bit or 64-bit Windows)
set -euo pipefail
build=$(realpath "$1")
artefacts=$(realpath -m "$2")
case "$3" in
  win32) tools=i686-w64-mingw32 file_format=pei-i386 ;;
  win64) tools=x86_64-w64-mingw32 file_format=pei-x86-64 ;;
  *) echo "smoke_test.sh: the third argument is win32 or win64" >&2; exit 2 ;;
esac
mkdir -p "$artefacts"
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=$3 WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY
xvfb_pid=
cleanup() {
  timeout 30 wineserver -k 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0
check() {  # name, then a command that succeeds when the case passes
  local name=$1
  shift
  if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAIL: $name" >&2; fi
}
wine_run() { LC_ALL=zh_CN.UTF-8 timeout 120 wine "$@" </dev/null 2>>"$artefacts/wine.log"; }
driver() { wine_run "$build/smoke_driver.exe" "$@" | tr -d '\r'; }
signer_cn() {  # Base64 message [data]: the signer's CN when openssl verifies it against the root
  base64 -d "$1" >"$1.der" &&
    openssl cms -verify -inform DER -in "$1.der" ${2:+-content "$2"} -binary -CAfile root.pem \
      -certsout "$1.signer" -out "$1.content" 2>/dev/null &&
    openssl x509 -in "$1.signer" -noout -subject -nameopt multiline | sed -n 's/ *commonName *= //p'
}

# The module: built for the prefix's width; the exports of res/Corvane.def at their ordinals,
# undecorated and nothing else; the resources of res/Corvane.rc (type and name); system DLLs only
# (the C++ runtime is linked in).
check "machine" grep -q "file format $file_format\$" <("$tools-objdump" -f "$build/Corvane.dll")
check "exports" diff <("$tools-objdump" -p "$build/Corvane.dll" | awk '
  /Ordinal\/Name Pointer/ { table = 1; next }
  table && /^$/ { exit }
  table { gsub(/[][]/, ""); print $1 + 1, $2 }' | sort -n) - <<'EXPECTED'
1 generateSingleSignedMsg
2 verifySingleSignedMsg
3 composeSingleEnvelopedMsg
4 decomposeSingleEnvelopedMsg
5 Java_plovik_Corvane_JNISignAttachedMsg
6 Java_plovik_Corvane_JNIVerifyAttachedMsg
7 Java_plovik_Corvane_JNIEncryptMsg
8 Java_plovik_Corvane_JNIDecryptMsg
9 Java_plovik_Corvane_JNItest
10 generateSingleSignedMsgBySN
11 generateSingleSignedMsgByIssuerSN
12 composeSingleEnvelopedMsgBySN
13 composeSingleEnvelopedMsgByIssuerSN
14 Java_plovik_Corvane_JNISignDetachedMsg
15 Java_plovik_Corvane_JNIVerifyDetachedMsg
EXPECTED
check "resources" diff <("$tools-windres" -J coff -O rc -i "$build/Corvane.dll" | awk '
  /^\/\* Type: / { sub(/^\/\* Type: /, ""); type = $0 }
  /^   Name: / { print type, $2 }') - <<'EXPECTED'
"TYPELIB" 1.
bitmap 204.
icon 1.
dialog 201.
group icon 203.
version 1.
EXPECTED
check "system DLLs only" [ -z "$("$tools-objdump" -p "$build/Corvane.dll" |
  sed -n 's/^\tDLL Name: //p' | grep -viE '^(advapi32|crypt32|user32|gdi32|kernel32|msvcrt)\.dll$')" ]

# Wine takes its ANSI code page from the locale: zh_CN gives GBK (936), the library's texts.
mkdir "$work/locale"
localedef -i zh_CN -f UTF-8 "$work/locale/zh_CN.UTF-8" 2>/dev/null || [ -d "$work/locale/zh_CN.UTF-8" ]
export LOCPATH=$work/locale
LC_ALL=zh_CN.UTF-8 timeout 300 wineboot -i >>"$artefacts/wine.log" 2>&1
timeout 60 wineserver -w

# The test PKI: a root with the fixed issuer name, two signers with keys, and signers whose
# chains fail one test each.
cd "$work"
key() { openssl genrsa -out "$1.key" 2048 2>/dev/null; }
issue() {  # name, subject, issuer, serial, days
  openssl req -new -key "$1.key" -subj "$2" -out "$1.csr" 2>/dev/null
  openssl x509 -req -in "$1.csr" -CA "$3.pem" -CAkey "$3.key" -set_serial "$4" -days "$5" \
    -out "$1.pem" 2>/dev/null
  openssl x509 -in "$1.pem" -outform DER -out "$1.der"
}
for name in root twin stranger alice bob; do key $name; done
openssl req -x509 -key root.key -subj "/CN=QDRA/OU=config/O=Ostrevalia" -days 30 -out root.pem
openssl req -x509 -key twin.key -subj "/CN=QDRA/OU=config/O=Ostrevalia" -days 30 -out twin.pem
openssl req -x509 -key stranger.key -subj "/CN=Stranger" -days 30 -out stranger.pem
openssl x509 -in root.pem -outform DER -out root.der
issue alice "/CN=alice/O=Ostrevalia" root 0x1A2B3C 30
issue bob "/CN=bob/O=Ostrevalia" root 0x4D5E6F 30
for name in alice bob; do openssl rsa -in $name.key -outform MSBLOB -out $name.blob 2>/dev/null; done
cp alice.key expired.key && issue expired "/CN=expired" root 7 -1
cp alice.key orphan.key && issue orphan "/CN=orphan" stranger 8 30
cp alice.key forged.key && issue forged "/CN=forged" twin 9 30
printf 'Corvane under Wine\n' >data.txt
printf 'Corvane under wine\n' >other.txt
stores=$(driver store ROOT root.der - MY alice.der alice.blob MY bob.der bob.blob)
check "stores" [ "$stores" = "result 0" ]

# Signing: mode, serial, issuer text ("-" for the BySN export); result; the signer openssl sees.
while read -r mode serial issuer expected cn; do
  name="sign mode $mode serial $serial issuer $issuer"
  issuer=${issuer//_/ }
  output=$(driver sign "$mode" "$serial" "$issuer" data.txt "signed-$mode-$serial.txt")
  check "$name" [ "$output" = "result $expected" ]
  [ "$expected" = 0 ] || continue
  data=
  [ "$mode" = 1 ] && data=data.txt
  check "$name: openssl" [ "$(signer_cn "signed-$mode-$serial.txt" $data)" = "$cn" ]
  [ "$mode" = 1 ] || check "$name: content" cmp -s "signed-$mode-$serial.txt.content" data.txt
done <<'ROWS'
0 1A2B3C - 0 alice
1 4D5E6F - 0 bob
0 4D5E6F CN=QDRA,_OU=config,_O=Ostrevalia 0 bob
0 FFFF - -10005 -
ROWS
# Without a desktop the unknown serial number falls back to a dialog that cannot open: -10005.
check "SHA-1 digest" bash -c "openssl cms -cmsout -print -inform DER -in signed-0-1A2B3C.txt.der |
  grep -q 'algorithm: sha1'"

# Verification of peer messages: signer, openssl options, data ("-" attached); result.
while read -r signer options data expected; do
  message=$signer-${options//[- ]/}.txt
  openssl cms -sign -binary ${options//_/ } -in data.txt -signer $signer.pem -inkey $signer.key \
    -outform DER | base64 >"$message"
  output=$(driver verify "$message" "$data" content.out)
  check "verify $message with $data" [ "$output" = "result $expected" ]
  [ "$expected$data" != 0- ] || check "$message: content" cmp -s content.out data.txt
done <<'ROWS'
alice -nodetach - 0
bob -md_sha256 data.txt 0
bob -noattr other.txt -10010
expired -nodetach - -10011
orphan -nodetach - -10014
forged -nodetach - -10017
alice -nodetach_-nocerts - -10009
ROWS
check "verify the library's detached message" \
  [ "$(driver verify signed-1-4D5E6F.txt data.txt content.out)" = "result 0" ]
# The self-test through its stdcall export: without a desktop the signing's dialog cannot open.
check "JNItest" diff <(driver selftest | iconv -f GBK -t UTF-8) - <<'EXPECTED'
Sign Test Begin!
Plain:
[你好，这是签名用的原文]
Error occuerd!
 return : [-10005]
result -1
EXPECTED

# The dialog under Xvfb: a line per certificate of "MY" (in the store's order), none selected,
# centred on the work area; line 1 chosen signs with that line's certificate, then the success
# box. Screenshots are kept.
timeout 60 wineserver -k || true
timeout 60 wineserver -w
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")
driver sign 0 - - data.txt chosen.txt >chooser.out &
chooser_pid=$!
dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '请选择您要用的证书' | head -1)
# The driver reports the dialog's state as shown before any key reaches it.
for _ in $(seq 100); do grep -q '^off-centre' chooser.out && break; sleep 0.1; done
timeout 30 xdotool windowfocus --sync "$dialog" key Tab Tab Down Down
sleep 0.5
import -window root "$artefacts/chooser.png"
timeout 30 xdotool key Return
box=$(timeout 60 xdotool search --sync --onlyvisible --name '提示信息' | head -1)
sleep 0.5
import -window root "$artefacts/message_box.png"
timeout 30 xdotool windowfocus --sync "$box" key Return
wait $chooser_pid
iconv -f GBK -t UTF-8 chooser.out >"$artefacts/chooser.txt"
subjects=$(sed -n 's/^line [01] 签发者：QDRA ，主题：//p' "$artefacts/chooser.txt")
check "chooser lines" [ "$(sort <<<"$subjects" | tr '\n' ' ')" = "alice bob " ]
check "chooser state" [ "$(grep -v ^line "$artefacts/chooser.txt" | tr '\n' ' ')" = "selection -1 off-centre 0 0 result 0 " ]
check "chooser line 1 signs" [ "$(signer_cn chosen.txt)" = "$(sed -n 2p <<<"$subjects")" ]

echo "windows smoke ($3): $passed passed, $failed failed"
[ "$failed" -eq 0 ]
