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
# Mistakes the tool names instead of going on: one row each, the command, what it says.
export CORVANE_HOME=$(mktemp -d)
trap 'rm -rf "$CORVANE_HOME"' EXIT
while IFS='|' read -r command said; do
  refused=$(env $command 2>&1 </dev/null) && fail "$command went on"
  grep -qF "$said" <<<"$refused" || fail "$command: $refused"
done <<ROWS
CORVANE_UI=desktop $tool store list|CORVANE_UI=desktop is not one of auto, gui, tty, none, script
$tool store import MYY /dev/null|"MYY" is not a store the library reads
$tool store add-crl Root2 /dev/null|"Root2" is not a store the library reads
ROWS
[ -z "$(ls -A "$CORVANE_HOME")" ] || fail "a refused command wrote into the store root"
grep -qx "corvane [0-9.]*" <<<"$("$tool" --version)" || fail "no version"
echo "help: ok"
