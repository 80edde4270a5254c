#!/usr/bin/env bash
# `corvane --help` and `corvane COMMAND --help` come from the table that parses the options: every
# command listed has its own help, and an option or argument the table does not name is refused.
set -euo pipefail
tool=$1
fail() { echo "FAIL: $*"; exit 1; }

listing=$("$tool" --help)
commands=$(sed -n 's/^  \([a-z][a-z-]*\( [a-z][a-z-]*\)\?\)\( [A-Z[].*\)\? \{2,\}.*/\1/p' <<<"$listing")
[ "$(wc -l <<<"$commands")" -ge 12 ] || fail "commands missing from: $listing"
for command in $(tr ' ' '#' <<<"$commands"); do
  command=${command//#/ }
  $tool $command --help | grep -q "^usage: corvane $command" || fail "$command --help"
done
grep -q -- "--password PW .*discouraged" <<<"$("$tool" store import --help)" || fail "--password not marked"
refused=$("$tool" sign --nope 2>&1 </dev/null || true)
grep -q "unknown option --nope" <<<"$refused" || fail "unknown option taken: $refused"
# A command whose usage names no arguments refuses one, before it reads or writes anything.
for command in sign verify encrypt decrypt "web list" "web check"; do
  refused=$("$tool" $command stray 2>&1 </dev/null) && fail "$command took an argument"
  grep -q "usage: corvane $command" <<<"$refused" || fail "$command stray: $refused"
done
echo "help: ok"
