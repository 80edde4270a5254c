#!/usr/bin/env bash
# Runs the Java tests (JUnit 5 console launcher) against the built libCorvane.so on a throw-away
# store: a CA in ROOT, a user certificate with its key in MY and, as the recipient, in CA. Every
# chooser shown in the test JVM takes line 0 (the user); tests that need other answers start a
# JVM of their own.
#   run_junit.sh TOOL LIBRARY_DIR CLASS_PATH
set -euo pipefail
tool=$1 library_dir=$2 class_path=$3
launcher=/usr/share/java/junit-platform-console-standalone.jar

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pki=$work/pki
mkdir "$pki"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$pki/ca.key" -out "$pki/ca.pem" -days 30 \
  -set_serial 1 -subj "/CN=QDRA/OU=config/O=Ostrevalia" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout "$pki/user.key" -out "$pki/user.csr" \
  -subj "/CN=Java Test User" 2>/dev/null
openssl x509 -req -in "$pki/user.csr" -CA "$pki/ca.pem" -CAkey "$pki/ca.key" -set_serial 0x2A \
  -days 30 -out "$pki/user.pem" 2>/dev/null

export CORVANE_HOME=$work/home CORVANE_UI=script CORVANE_UI_LOG=$work/ui.log
"$tool" store import ROOT "$pki/ca.pem" >/dev/null
"$tool" store import MY "$pki/user.pem" "$pki/user.key" >/dev/null
"$tool" store import CA "$pki/user.pem" >/dev/null
CORVANE_UI_CHOICES=$(printf '0,%.0s' {1..1000})
export CORVANE_UI_CHOICES

source "$(dirname "$0")/sanitizer_preload.sh"
preload_sanitizer_for "$library_dir/libCorvane.so"

java -Xcheck:jni -Djava.library.path="$library_dir" -Dcorvane.test.pki="$pki" \
  -jar "$launcher" --disable-banner --disable-ansi-colors --fail-if-no-tests --details=tree \
  --include-engine=junit-jupiter \
  --class-path "$class_path" --scan-class-path
