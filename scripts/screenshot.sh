#!/usr/bin/env bash
# Runs a command under a private X server, waits, and saves a screenshot.
#   scripts/screenshot.sh OUT.png SECONDS COMMAND [ARGS...]
# Keys can be sent meanwhile with xdotool on DISPLAY=:77 from another shell.
set -euo pipefail
out=$1; wait_s=$2; shift 2
export DISPLAY=:77
Xvfb :77 -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
"$@" &
app=$!
sleep "$wait_s"
import -window root "$out"
kill $app 2>/dev/null || true
