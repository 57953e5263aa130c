#!/usr/bin/env bash
# Runs a command on the current display when DISPLAY is set, otherwise on a
# private virtual X server (Xvfb, 1024x768, 24-bit, never reset when its last
# client leaves, so a connection made right after a short one is not refused)
# with Mesa's software renderer. Usage: scripts/headless.sh COMMAND [ARG]...
set -euo pipefail
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$@"
