#!/usr/bin/env bash
# The real binary's File menu, driven from the keyboard: "About Lumigrid"
# opens the about window with its grey credits panel, and choosing it again
# opens no second one; "Preferences..." opens the settings window, once;
# the quit keys end the program with exit code 0. Screenshots of the about
# and the settings window go to SHOT_FOLDER.
# Usage: test_menus.sh LUMIGRID SHOT_FOLDER
set -u
lumigrid=$1 shots=$2
here=$(dirname "$0")
. "$here/xvfb.sh"
convert=/usr/bin/convert

fail() { echo "FAIL: $*" >&2; [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null; stop_xvfb; exit 1; }

# pixel SHOT X Y -> "R G B" (screen coordinates)
pixel() {
    $convert "$1" -format "%[fx:round(255*p{$2,$3}.r)] %[fx:round(255*p{$2,$3}.g)] %[fx:round(255*p{$2,$3}.b)]" info:
}

# menu_item DOWNS: opens the File menu of the main window by its access key
# and chooses the item DOWNS places below the first.
menu_item() {
    xdotool windowfocus --sync "$main" || fail "cannot focus the main window"
    sleep 0.3
    xdotool key alt+f
    sleep 0.5
    local i
    for (( i = 0; i < $1; i++ )); do xdotool key Down; sleep 0.1; done
    xdotool key Return
}

count_windows() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$shots"
start_xvfb 1280x1024 || exit 1
XDG_CONFIG_HOME=$scratch "$lumigrid" &
APP_PID=$!
main=$(find_window "Lumigrid v1.0.1") || fail "no main window"
sleep 0.5

menu_item 0
about=$(find_window "About Lumigrid") || fail "About Lumigrid opened no about window"
sleep 0.5
import -display "$DISPLAY" -window "$about" "$shots/about.png" || fail "no screenshot of the about window"
# The strip left of the screenshot and the credits: the panel's grey.
[ "$(pixel "$shots/about.png" 25 150)" = "227 227 227" ] || fail "no grey panel at (25, 150) of the about window"
eval "$(xdotool getwindowgeometry --shell "$about")"
[ "$WIDTH" -eq 400 ] && [ "$HEIGHT" -eq 300 ] || fail "about window is ${WIDTH}x${HEIGHT}, expected 400x300"
menu_item 0
sleep 1
[ "$(count_windows "About Lumigrid")" -eq 1 ] || fail "About Lumigrid twice gave more than one about window"

menu_item 1
settings=$(find_window "Settings") || fail "Preferences... opened no settings window"
sleep 0.5
import -display "$DISPLAY" -window "$settings" "$shots/settings.png" || fail "no screenshot of the settings window"
menu_item 1
sleep 1
[ "$(count_windows "Settings")" -eq 1 ] || fail "Preferences... twice gave more than one settings window"

xdotool windowfocus --sync "$main"
sleep 0.3
xdotool key ctrl+q
wait_exit "$APP_PID" 10 || fail "still running 10 s after the quit keys"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
APP_PID=""
stop_xvfb
echo "about and settings windows opened once each; quit with exit code 0"
