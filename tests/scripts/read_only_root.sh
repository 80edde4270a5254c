#!/usr/bin/env bash
# Signing, verifying, enveloping and opening with a store root the user cannot write (a shared or
# read-only home): nothing that only reads may need write access. As root the operations run as
# `nobody`, for whom the root is readable but not writable.
set -euo pipefail
source "$(dirname "$0")/lib/tool_home.sh"
export CORVANE_UI_CHOICES=0,0,0,0
self_signed user "/CN=Reader"
"$tool" store import MY user.pem user.key >/dev/null
"$tool" store import ROOT user.pem >/dev/null
printf 'read-only data\n' > data.bin
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chmod 755 "$work"
  chown -R nobody "$work"
  as_user=(setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups --)
fi
chmod -R a-w "$CORVANE_HOME"
"${as_user[@]}" "$tool" sign --in data.bin --out signed.b64 || fail "signing failed"
"${as_user[@]}" "$tool" verify --in signed.b64 --out verified.bin 2>/dev/null || fail "verifying failed"
cmp -s data.bin verified.bin || fail "verified content differs"
"${as_user[@]}" "$tool" encrypt --in data.bin --out enveloped.b64 || fail "enveloping failed"
"${as_user[@]}" "$tool" decrypt --in enveloped.b64 --out opened.bin || fail "opening failed"
cmp -s data.bin opened.bin || fail "opened content differs"
[ ! -e "$CORVANE_HOME/providers" ] || fail "something was written under the root"
echo "read-only root: ok"
