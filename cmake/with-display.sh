#!/bin/sh
# Runs a program that needs an X display: on the one set, or else on a
# virtual one of its own (kept across client disconnections, so that the
# program may open and close connections as it likes).
set -e
if [ -n "${DISPLAY:-}" ]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"
