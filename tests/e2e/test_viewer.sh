#!/usr/bin/env bash
# The real binary's full-screen viewer: a plain click on a filled cell opens
# it covering the screen with the picture shrunk and centred, the Right arrow
# shows the next picture, a click closes it and the main window stays.
# Usage: test_viewer.sh LUMIGRID X11CLOSE SHOT_FOLDER
set -u
lumigrid=$1 closer=$2 shots=$3
here=$(dirname "$0")
. "$here/xvfb.sh"
convert=/usr/bin/convert

fail() { echo "FAIL: $*" >&2; [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null; stop_xvfb; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$shots" "$scratch/config" "$scratch/pictures"
# On a 1280 x 1024 screen: 2000 x 1000 is shrunk to 1280 x 640 at 0, 192;
# 600 x 400 is shown as it is at 340, 312.
$convert -size 2000x1000 xc:'#ff0000' "$scratch/pictures/1.png"
$convert -size 600x400 xc:'#00ff00' "$scratch/pictures/2.png"

# pixel SHOT X Y -> "R G B" (screen coordinates)
pixel() {
    $convert "$1" -format "%[fx:round(255*p{$2,$3}.r)] %[fx:round(255*p{$2,$3}.g)] %[fx:round(255*p{$2,$3}.b)]" info:
}
shoot() { import -display "$DISPLAY" -window root "$1" || fail "no screenshot"; }
# expect SHOT X Y "R G B" WHAT: the screen pixel is that colour
expect() {
    local got
    got=$(pixel "$1" "$2" "$3")
    [ "$got" = "$4" ] || fail "$5: pixel $2,$3 is ($got), expected ($4)"
}
# expect_not SHOT X Y "R G B" WHAT: the screen pixel is some other colour
expect_not() {
    local got
    got=$(pixel "$1" "$2" "$3")
    [ "$got" != "$4" ] || fail "$5: pixel $2,$3 is ($got)"
}
red="255 0 0" green="0 255 0"
# wait_pixel X Y "R G B": up to 20 s
wait_pixel() {
    for _ in $(seq 100); do
        shoot "$scratch/wait.png"
        [ "$(pixel "$scratch/wait.png" "$1" "$2")" = "$3" ] && return 0
        sleep 0.2
    done
    return 1
}
viewer_shown() { xdotool search --onlyvisible --name '^Untitled$' 2>/dev/null | head -n 1; }

start_xvfb 1280x1024 || exit 1
XDG_CONFIG_HOME=$scratch/config "$lumigrid" "$scratch/pictures" &
APP_PID=$!
id=$(find_window "Lumigrid v1.0.1") || fail "no main window"
eval "$(xdotool getwindowgeometry --shell "$id")"
CX=$X
CY=$(( Y + HEIGHT - 688 ))   # the menu bar sits above the client area
# Cell 1's middle, once the scan has put its thumbnail there.
cell_x=$(( CX + 20 + 50 )) cell_y=$(( CY + 14 + 50 ))
wait_pixel "$cell_x" "$cell_y" "$red" || fail "the first picture never reached its cell"

xdotool mousemove "$cell_x" "$cell_y" click 1
viewer=""
for _ in $(seq 50); do viewer=$(viewer_shown); [ -n "$viewer" ] && break; sleep 0.1; done
[ -n "$viewer" ] || fail "no viewer after a click on a filled cell"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$viewer")"
[ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,1280,1024" ] || fail "the viewer is ${WIDTH}x${HEIGHT} at $X,$Y, not the whole screen"
shot=$shots/viewer-first.png
shoot "$shot"
expect "$shot" 0 192 "$red" "first picture, top left"
expect "$shot" 1279 831 "$red" "first picture, bottom right"
expect_not "$shot" 640 191 "$red" "above the first picture"
expect_not "$shot" 640 832 "$red" "below the first picture"

xdotool key Right
wait_pixel 640 512 "$green" || fail "Right did not show the second picture"
sleep 0.3
shot=$shots/viewer-next.png
shoot "$shot"
expect "$shot" 340 312 "$green" "second picture, top left"
expect "$shot" 939 711 "$green" "second picture, bottom right"
expect_not "$shot" 339 312 "$green" "left of the second picture"
expect_not "$shot" 940 711 "$green" "right of the second picture"
expect_not "$shot" 640 200 "$red" "the first picture is gone"

xdotool mousemove 640 512 click 1
for _ in $(seq 50); do [ -z "$(viewer_shown)" ] && break; sleep 0.1; done
[ -z "$(viewer_shown)" ] || fail "a click did not close the viewer"
kill -0 "$APP_PID" 2>/dev/null || fail "closing the viewer ended the program"
sleep 0.3
shoot "$shots/viewer-closed.png"
expect "$shots/viewer-closed.png" "$cell_x" "$cell_y" "$red" "the grid is back"

"$closer" "$id" || fail "cannot close the main window"
wait_exit "$APP_PID" 10 || fail "still running after its window was closed"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE"
APP_PID=""
stop_xvfb
echo "viewer: full screen on a click, fitted and centred, Right steps, a click closes; exit code 0"
