#!/usr/bin/env bash
# The demo's round trip must keep working: `corvane demo` exits 0 and reports success, and its
# Java self-test runs to the end.
set -euo pipefail
tool=$1
build=$(dirname "$tool")
source "$(dirname "$0")/../java/sanitizer_preload.sh"
preload_sanitizer_for "$build/libCorvane.so"
output=$(CORVANE_UI=none "$tool" demo --jar "$build/corvane.jar" 2>&1) ||
  { printf '%s\n' "$output"; exit 1; }
grep -q "The demo round trip succeeded." <<<"$output" || { printf '%s\n' "$output"; exit 1; }
grep -q "box	提示信息	解密成功" <<<"$output"
grep -q "box	提示信息	签名成功" <<<"$output"
grep -q "^  | Decrypt Test OK!$" <<<"$output"
grep -q "box	提示信息	加密成功" <<<"$output"
echo "demo round trip: ok"
