#!/usr/bin/env bash
# `corvane web`: the origins a user allows, and `web check` telling each broken installation of
# the host's manifest by its own reason.
set -euo pipefail
tool=$1
host=$(dirname "$tool")/corvane-web-host
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export CORVANE_HOME=$work/home HOME=$work/user XDG_CONFIG_HOME=$work/user/.config
fail() { echo "FAIL: $*"; exit 1; }

# Origins: only what a browser writes as an https origin or a local http one.
for origin in http://shop.example https://shop.example/ https://Shop.example https://a.example:0 \
              https://user@a.example http://localhost.evil.example "https://a.example:99999"; do
  if "$tool" web allow "$origin" 2>/dev/null; then fail "allowed $origin"; fi
done
for origin in https://shop.example https://[::1]:8443 http://localhost:8080 http://127.0.0.1; do
  "$tool" web allow "$origin" || fail "refused $origin"
done
"$tool" web allow https://shop.example
"$tool" web revoke http://localhost:8080
[ "$("$tool" web list | tail -n +2)" = "$(printf '  %s\n' https://shop.example https://[::1]:8443 http://127.0.0.1)" ] ||
  fail "list: $("$tool" web list)"
[ "$(stat -c %a "$CORVANE_HOME/web-origins")" = 600 ] || fail "web-origins is not 0600"
[ "$(stat -c %a "$CORVANE_HOME/web-origins.lock")" = 600 ] || fail "web-origins.lock is not 0600"
# A change fails, leaving the list as it is, when a link stands where the lock is, or when the
# list cannot be read (written back, it would lose what it holds).
list=$(cat "$CORVANE_HOME/web-origins")
mv "$CORVANE_HOME/web-origins.lock" "$work/lock" && ln -s "$work/lock" "$CORVANE_HOME/web-origins.lock"
if "$tool" web revoke https://shop.example 2>/dev/null; then fail "revoked through a linked lock"; fi
rm "$CORVANE_HOME/web-origins.lock"
{ echo "$list"; head -c 1100000 /dev/zero | tr '\0' '#'; } > "$CORVANE_HOME/web-origins"
if "$tool" web allow https://new.example 2>/dev/null; then fail "allowed over a list it cannot read"; fi
[ "$(head -n 3 "$CORVANE_HOME/web-origins")" = "$list" ] || fail "a list it cannot read was changed"
echo "$list" > "$CORVANE_HOME/web-origins"

# web check, one broken manifest after another: the reason it names, and its exit status.
manifest=$XDG_CONFIG_HOME/chromium/NativeMessagingHosts/corvane.web_host.json
check() { "$tool" web check --browser chromium | grep "user manifest" || true; }
grep -q ": absent$" <<<"$(check)" || fail "absent manifest: $(check)"
"$tool" web install --browser chromium --host "$host" >/dev/null
grep -q ": ok, host $host answers$" <<<"$(check)" || fail "installed: $(check)"
printf '#!/bin/sh\nexec cat\n' > "$work/echo-host" && chmod +x "$work/echo-host"
rows=("chrome-extension://another/|$host|does not allow the Corvane extension"
      "chrome-extension://mbomfelbipohpfgkobmacgfkgmomapok/|$work/absent|names no executable host"
      "chrome-extension://mbomfelbipohpfgkobmacgfkgmomapok/|$work/echo-host|answered something else")
for row in "${rows[@]}"; do
  IFS='|' read -r origin path reason <<<"$row"
  printf '{"name": "corvane.web_host", "path": "%s", "type": "stdio", "allowed_origins": ["%s"]}' \
    "$path" "$origin" > "$manifest"
  grep -q "$reason" <<<"$(check)" || fail "$reason: $(check)"
  if "$tool" web check --browser chromium >/dev/null; then fail "exit 0 with a manifest that $reason"; fi
done
echo "web tool: ok"
