#!/usr/bin/env bash
# The real binary on a screen of the given size: the main window's title and
# client area, a screenshot, and a clean exit (code 0) when it is closed.
# Usage: test_window.sh LUMIGRID X11CLOSE SCREEN(WxH) CLIENT_HEIGHT SHOT.png
set -u
lumigrid=$1 closer=$2 screen=$3 client_height=$4 shot=$5
here=$(dirname "$0")
. "$here/xvfb.sh"

fail() { echo "FAIL: $*" >&2; [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null; stop_xvfb; exit 1; }

start_xvfb "$screen" || exit 1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
XDG_CONFIG_HOME=$scratch "$lumigrid" &
APP_PID=$!

id=$(find_window "Lumigrid v1.0.1") || fail "no window titled 'Lumigrid v1.0.1'"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$id")"
[ "$WIDTH" -eq 728 ] || fail "window is $WIDTH wide, expected 728"
# The menu bar, where the desktop puts it inside the window, sits above the
# client area and adds its own height.
extra=$(( HEIGHT - client_height ))
{ [ "$extra" -ge 0 ] && [ "$extra" -le 40 ]; } || fail "window is $HEIGHT high, expected a client area of $client_height"
mkdir -p "$(dirname "$shot")"
import -display "$DISPLAY" -window root "$shot" || fail "no screenshot"

"$closer" "$id" || fail "cannot ask the window to close"
wait_exit "$APP_PID" 10 || fail "still running 10 s after its window was closed"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
APP_PID=""
stop_xvfb
echo "window ${WIDTH}x${HEIGHT} on a ${screen} screen, exit code 0"
