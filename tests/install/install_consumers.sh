#!/usr/bin/env bash
# Installs the build into a staging prefix, builds the consumer program against it once with
# pkg-config and once with find_package(Corvane), runs both on a test store (checked with the
# openssl command), compiles and runs the README's C example, and checks that `cpack -G DEB`
# packages the installed files.
#   install_consumers.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

stage=$work/stage
cmake --install "$build" --prefix "$stage" >/dev/null
export PKG_CONFIG_PATH=$stage/lib/pkgconfig
libdir=$(pkg-config --variable=libdir corvane)
installed=(bin/corvane include/corvane.h share/java/corvane.jar share/doc/corvane/api/index.html
           share/man/man1/corvane.1 lib/pkgconfig/corvane.pc lib/cmake/Corvane/CorvaneConfig.cmake
           lib/libCorvane.so lib/libCorvane.so.1 bin/corvane-web-host
           share/corvane/web-extension/manifest.json share/corvane/web/corvane.js
           share/corvane/web/corvane.d.ts share/corvane/web/example/index.html)
# The browser host's manifests, in each browser's folder: under the staging prefix there, naming
# the staged host; in the package, in the system's folders, naming /usr/bin/corvane-web-host.
manifest_folders=(etc/chromium/native-messaging-hosts etc/opt/chrome/native-messaging-hosts
                  lib/mozilla/native-messaging-hosts)
for file in "${installed[@]}"; do [ -e "$stage/$file" ] || fail "not installed: $file"; done
for folder in "${manifest_folders[@]}"; do
  grep -q "\"path\": \"$stage/bin/corvane-web-host\"" "$stage/$folder/corvane.web_host.json" ||
    fail "no host manifest naming the staged host in $folder"
done
dynamic=$(readelf -d "$stage/lib/libCorvane.so")
grep -q 'SONAME.*\[libCorvane\.so\.1\]' <<<"$dynamic" || fail "no SONAME"
! grep -q 'NEEDED.*libjvm' <<<"$dynamic" || fail "linked to libjvm"

cc "$here/consumer.c" $(pkg-config --cflags --libs corvane) -o "$work/consumer-pkg-config"
cmake -S "$here" -B "$work/consumer-cmake" -DCMAKE_PREFIX_PATH="$stage" >/dev/null
cmake --build "$work/consumer-cmake" >/dev/null

cd "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 30 -set_serial 1 \
  -subj "/CN=QDRA/OU=config/O=Ostrevalia" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout user.key -out user.csr -subj "/CN=Consumer" 2>/dev/null
openssl x509 -req -in user.csr -CA ca.pem -CAkey ca.key -set_serial 0x0C0A -days 30 \
  -out user.pem 2>/dev/null
export CORVANE_HOME=$work/home CORVANE_UI=script
unset CORVANE_UI_CHOICES CORVANE_UI_LOG
"$stage/bin/corvane" store import ROOT ca.pem >/dev/null
"$stage/bin/corvane" store import MY user.pem user.key >/dev/null
printf 'opened by the consumer' > content.txt
openssl cms -encrypt -binary -aes256 -in content.txt -outform DER -out envelope.der user.pem
openssl base64 -in envelope.der -out envelope.b64

for consumer in consumer-pkg-config consumer-cmake/consumer; do
  LD_LIBRARY_PATH=$libdir "./$consumer" "signed by the consumer" 0C0A signed.b64 \
    "$(cat envelope.b64)" > opened.txt || fail "$consumer failed"
  cmp -s content.txt opened.txt || fail "$consumer opened something else"
  openssl base64 -d -in signed.b64 -out signed.der
  openssl cms -verify -binary -inform DER -in signed.der -CAfile ca.pem -purpose any \
    -out verified.txt 2>/dev/null || fail "$consumer's signature does not verify"
  [ "$(cat verified.txt)" = "signed by the consumer" ] || fail "$consumer signed something else"
done

# The README's C example, compiled and run as it stands there.
sed -n '/^```c$/,/^```$/{//!p}' "$here/../../README.md" > readme_example.c
cc -Wall -Werror readme_example.c $(pkg-config --cflags --libs corvane) -o readme_example
LD_LIBRARY_PATH=$libdir ./readme_example 0C0A "from the README" > readme.out ||
  fail "the README's example failed: $(cat readme.out)"
grep -qx "verified: from the README" readme.out || fail "the README's example: $(cat readme.out)"

# The README's walkthrough, every command as written, in a folder and store root of its own.
mkdir "$work/walkthrough"
sed -n '/^```sh$/,/^```$/{//!p}' "$here/../../README.md" > "$work/walkthrough/walkthrough.sh"
(cd "$work/walkthrough" && CORVANE_HOME=$work/walkthrough/home PATH=$stage/bin:$PATH \
   bash -e walkthrough.sh > walkthrough.out 2>&1) || fail "the README's walkthrough: $(cat "$work/walkthrough/walkthrough.out")"
for file in content.txt opened.txt; do
  cmp -s "$work/walkthrough/data.txt" "$work/walkthrough/$file" || fail "the walkthrough's $file differs"
done

# The README's Java example, run as it stands there on the walkthrough's store (line 0 chosen).
sed -n '/^```java$/,/^```$/{//!p}' "$here/../../README.md" > Hello.java
CORVANE_HOME=$work/walkthrough/home CORVANE_UI_CHOICES=0 java -Djava.library.path="$libdir" \
  -cp "$stage/share/java/corvane.jar" Hello.java > hello.out 2>&1 || fail "the README's Java example: $(cat hello.out)"
grep -qx "verified: hello" hello.out || fail "the README's Java example: $(cat hello.out)"

# The installed tool's demo finds the installed library for the Java self-test.
CORVANE_UI=script "$stage/bin/corvane" demo --jar "$stage/share/java/corvane.jar" > demo.out 2>&1 ||
  fail "the installed demo: $(tail -5 demo.out)"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null
package=$(ls "$work"/deb/*.deb)
listing=$(dpkg-deb -c "$package")
for file in "${installed[@]}"; do
  grep -q "\./usr/$file\$\|\./usr/$file -> " <<<"$listing" || fail "not in the package: $file"
done
for folder in "${manifest_folders[@]/#lib/usr/lib}"; do
  dpkg-deb --fsys-tarfile "$package" | tar -xO "./$folder/corvane.web_host.json" 2>/dev/null |
    grep -q '"path": "/usr/bin/corvane-web-host"' || fail "no host manifest in the package's $folder"
done
grep -q libssl <<<"$(dpkg-deb -f "$package" Depends)" || fail "the package does not depend on libssl"
grep -q "zenity | kdialog" <<<"$(dpkg-deb -f "$package" Recommends)" || fail "no dialog program recommended"
echo "install and consumers: ok"
