#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb, 1600x1000) with a real window manager (openbox), where
# windows get the window manager's frames and title bars and are placed by it, as on a desktop.
# Exits 77 (skipped) when Xvfb or openbox is missing.
set -u
if ! command -v Xvfb > /dev/null || ! command -v openbox > /dev/null; then
    echo "Xvfb or openbox is missing: skipped"
    exit 77
fi
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3> "$displayfile" > /dev/null 2>&1 &
xvfb=$!
for _ in $(seq 40); do [ -s "$displayfile" ] && break; sleep 0.25; done
if [ ! -s "$displayfile" ]; then
    echo "Xvfb did not start: skipped"
    kill "$xvfb" 2> /dev/null
    rm -f "$displayfile"
    exit 77
fi
export DISPLAY=":$(head -n1 "$displayfile")"
rm -f "$displayfile"
# openbox runs its start-up command once it manages the screen: wait for that, not for a time.
ready=$(mktemp -u)
openbox --startup "touch $ready" > /dev/null 2>&1 &
wm=$!
for _ in $(seq 120); do [ -e "$ready" ] && break; sleep 0.25; done
if [ ! -e "$ready" ]; then
    echo "openbox did not take the screen: skipped"
    kill "$wm" "$xvfb" 2> /dev/null
    exit 77
fi
rm -f "$ready"
QT_QPA_PLATFORM=xcb "$@"
status=$?
kill "$wm" "$xvfb" 2> /dev/null
wait "$wm" "$xvfb" 2> /dev/null
exit $status
