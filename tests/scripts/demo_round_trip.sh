#!/usr/bin/env bash
# The demo's round trip must keep working: `corvane demo` exits 0 and reports success.
set -euo pipefail
tool=$1
output=$(CORVANE_UI=none "$tool" demo 2>&1) || { printf '%s\n' "$output"; exit 1; }
grep -q "The demo round trip succeeded." <<<"$output" || { printf '%s\n' "$output"; exit 1; }
grep -q "box	提示信息	解密成功" <<<"$output"
grep -q "box	提示信息	签名成功" <<<"$output"
echo "demo round trip: ok"
