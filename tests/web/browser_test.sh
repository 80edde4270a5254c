#!/usr/bin/env bash
# The extension and the host in Debian's Chromium, driven over the DevTools protocol on a pipe
# (devtools.mjs). Runs on $DISPLAY, else on an Xvfb of its own; skipped (77) only when no display
# can be made.
#   browser_test.sh HOST TOOL WORK_DIR     (WORK_DIR keeps the screenshot)
set -euo pipefail
mkdir -p "$3"
host=$(realpath "$1") tool=$(realpath "$2") work=$(realpath "$3")
here=$(cd "$(dirname "$0")" && pwd)
chromium=${CORVANE_TEST_CHROMIUM:-/usr/bin/chromium}
[ -x "$chromium" ] || { echo "FAIL: no Chromium at $chromium (Debian package chromium)"; exit 1; }

xvfb_pid=
trap '[ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true' EXIT
if [ -z "${DISPLAY:-}" ]; then
  if ! command -v Xvfb >/dev/null; then
    echo "SKIP: no DISPLAY and no Xvfb: no display can be made for the browser"
    exit 77
  fi
  exec {display_fd}<> <(:)
  Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  read -r -t 20 -u "$display_fd" number ||
    { echo "SKIP: Xvfb did not start: no display can be made for the browser"; exit 77; }
  export DISPLAY=:$number
fi

node "$here/browser.mjs" "$host" "$tool" "$chromium" "$here/../../web" "$work"
