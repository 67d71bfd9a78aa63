#!/usr/bin/env bash
# The real binary browsing a folder: `lumigrid FOLDER` scans it at start
# (without subfolders: the box starts unticked); ticking "Scan
# subdirectories" and choosing the folder again with "Choose Path" scans both
# levels. The screenshot must show the cells in breadth-first order with the
# thumbnail geometry, the count, the full progress bar, and the two black
# strips over the cell under the pointer. Then a scan of thousands of files:
# the window keeps repainting, Cancel answers at once and keeps what was
# found, and closing the window mid-scan ends the program with exit code 0.
# Usage: test_browse.sh LUMIGRID X11CLOSE SHOT_FOLDER
set -u
lumigrid=$1 closer=$2 shots=$3
here=$(dirname "$0")
. "$here/xvfb.sh"
convert=/usr/bin/convert
compare=/usr/bin/compare

fail() { echo "FAIL: $*" >&2; [ -n "${APP_PID:-}" ] && kill "$APP_PID" 2>/dev/null; stop_xvfb; exit 1; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$shots" "$scratch/config"
fixture=$scratch/pictures
mkdir -p "$fixture/sub"
$convert -size 400x300 xc:'#ff0000' "$fixture/1.jpg"
$convert -size 300x600 xc:'#00ff00' "$fixture/2.png"
$convert -size 80x60 xc:'#0000ff' "$fixture/10.jpg"
$convert -size 150x300 xc:'#ffff00' "$fixture/sub/3.png"
echo "not a picture" > "$fixture/notes.txt"

# pixel SHOT X Y -> "R G B" (screen coordinates)
pixel() {
    $convert "$1" -format "%[fx:round(255*p{$2,$3}.r)] %[fx:round(255*p{$2,$3}.g)] %[fx:round(255*p{$2,$3}.b)]" info:
}
# near R G B R2 G2 B2: each channel within 40
near() {
    local d
    for d in $(( $1 - $4 )) $(( $2 - $5 )) $(( $3 - $6 )); do
        [ "${d#-}" -le 40 ] || return 1
    done
}
# expect SHOT X Y R G B WHAT: the pixel at client position X, Y
expect() {
    local got
    got=$(pixel "$1" $(( CX + $2 )) $(( CY + $3 )))
    # shellcheck disable=SC2086
    near $got "$4" "$5" "$6" || fail "$7: pixel $2,$3 is ($got), expected ($4 $5 $6)"
}
shoot() { import -display "$DISPLAY" -window root "$1" || fail "no screenshot"; }
# cell K's left and top in the client area
cellx() { echo $(( 20 + 112 * (($1 - 1) % 6) )); }
celly() { echo $(( 14 + 112 * (($1 - 1) / 6) )); }
click_client() { xdotool mousemove $(( CX + $1 )) $(( CY + $2 )) click 1; }
# waits until the pixel at client X, Y is near R G B (up to 20 s)
wait_for() {
    local shot=$scratch/wait.png
    for _ in $(seq 100); do
        shoot "$shot"
        local got
        got=$(pixel "$shot" $(( CX + $1 )) $(( CY + $2 )))
        # shellcheck disable=SC2086
        near $got "$3" "$4" "$5" && return 0
        sleep 0.2
    done
    return 1
}
visible_windows() { xdotool search --onlyvisible --name '.' 2>/dev/null | wc -l; }

start_xvfb 1280x1024 || exit 1
XDG_CONFIG_HOME=$scratch/config "$lumigrid" "$fixture" &
APP_PID=$!
id=$(find_window "Lumigrid v1.0.1") || fail "no main window"
eval "$(xdotool getwindowgeometry --shell "$id")"
CX=$X
CY=$(( Y + HEIGHT - 688 ))   # the menu bar sits above the client area

# First scan, from the command line, the chosen folder only.
wait_for $(( $(cellx 3) + 50 )) $(( $(celly 3) + 50 )) 0 0 255 || fail "the third picture never reached its cell"
sleep 0.5
shoot "$shots/browse-folder.png"
expect "$shots/browse-folder.png" $(( $(cellx 4) + 50 )) $(( $(celly 4) + 50 )) 46 46 46 "without subdirectories, cell 4 stays empty"

# Second scan: tick the box, then choose the folder again.
click_client 466 585
sleep 0.3
before=$(visible_windows)
click_client 660 585
for _ in $(seq 50); do [ "$(visible_windows)" -gt "$before" ] && break; sleep 0.1; done
[ "$(visible_windows)" -gt "$before" ] || fail "no folder chooser"
sleep 0.5
xdotool type --delay 5 "$fixture"
xdotool key Return
wait_for $(( $(cellx 4) + 50 )) $(( $(celly 4) + 50 )) 255 255 0 || fail "the subfolder's picture never reached cell 4"
xdotool mousemove 1000 900
sleep 1
shot=$shots/browse-subfolders.png
shoot "$shot"

# 1.jpg, 400 x 300: 100 x 75 at top 13.
x=$(cellx 1) y=$(celly 1)
expect "$shot" $(( x + 50 )) $(( y + 6 )) 0 0 0 "1.jpg: black bar above"
expect "$shot" $(( x + 50 )) $(( y + 14 )) 255 0 0 "1.jpg: picture from row 13"
expect "$shot" $(( x + 50 )) $(( y + 86 )) 255 0 0 "1.jpg: picture to row 87"
expect "$shot" $(( x + 50 )) $(( y + 93 )) 0 0 0 "1.jpg: black bar below"
# 2.png, 300 x 600: 50 x 100 at left 25.
x=$(cellx 2) y=$(celly 2)
expect "$shot" $(( x + 12 )) $(( y + 50 )) 0 0 0 "2.png: black bar left"
expect "$shot" $(( x + 26 )) $(( y + 50 )) 0 255 0 "2.png: picture from column 25"
expect "$shot" $(( x + 73 )) $(( y + 50 )) 0 255 0 "2.png: picture to column 74"
expect "$shot" $(( x + 87 )) $(( y + 50 )) 0 0 0 "2.png: black bar right"
# 10.jpg, 80 x 60: its own size at 10, 20 (natural order: after 2.png).
x=$(cellx 3) y=$(celly 3)
expect "$shot" $(( x + 5 )) $(( y + 50 )) 0 0 0 "10.jpg: black left"
expect "$shot" $(( x + 11 )) $(( y + 21 )) 0 0 255 "10.jpg: top left corner at 10, 20"
expect "$shot" $(( x + 50 )) $(( y + 15 )) 0 0 0 "10.jpg: black above"
expect "$shot" $(( x + 88 )) $(( y + 78 )) 0 0 255 "10.jpg: bottom right corner at 89, 79"
expect "$shot" $(( x + 50 )) $(( y + 85 )) 0 0 0 "10.jpg: black below"
# sub/3.png, 150 x 300: 50 x 100 at left 25, after the chosen folder's pictures.
x=$(cellx 4) y=$(celly 4)
expect "$shot" $(( x + 12 )) $(( y + 50 )) 0 0 0 "sub/3.png: black bar left"
expect "$shot" $(( x + 50 )) $(( y + 50 )) 255 255 0 "sub/3.png: picture"
expect "$shot" $(( x + 87 )) $(( y + 50 )) 0 0 0 "sub/3.png: black bar right"
expect "$shot" $(( $(cellx 5) + 50 )) $(( $(celly 5) + 50 )) 46 46 46 "cell 5 empty"
# The progress bar is full: its light upper edge reaches the right end.
expect "$shot" 700 606 218 218 218 "progress bar full"
# The count text changed from "3 images" to "4 images".
count_region="344x41+$(( CX + 195 ))+$(( CY + 634 ))"
$convert "$shots/browse-folder.png" -crop "$count_region" +repage "$scratch/count3.png"
$convert "$shot" -crop "$count_region" +repage "$scratch/count4.png"
white=$($convert "$scratch/count4.png" -threshold 80% -format "%[fx:round(mean*w*h)]" info:)
[ "$white" -gt 50 ] || fail "no count text"
differ=$($compare -metric AE "$scratch/count3.png" "$scratch/count4.png" null: 2>&1)
[ "${differ%% *}" -gt 20 ] || fail "the count text did not change between the scans"

# Pointing at cell 2 lays the size and name strips over it.
xdotool mousemove $(( CX + $(cellx 2) + 50 )) $(( CY + $(celly 2) + 50 ))
sleep 0.5
hover=$shots/browse-hover.png
shoot "$hover"
x=$(cellx 2) y=$(celly 2)
expect "$hover" $(( x + 90 )) $(( y + 3 )) 0 0 0 "top strip"
expect "$hover" $(( x + 90 )) $(( y + 97 )) 0 0 0 "bottom strip"
expect "$hover" $(( x + 50 )) $(( y + 50 )) 0 255 0 "the picture between the strips"
$convert "$hover" -crop "96x11+$(( CX + x + 2 ))+$(( CY + y + 1 ))" +repage "$scratch/strip.png"
text=$($convert "$scratch/strip.png" -threshold 70% -format "%[fx:round(mean*w*h)]" info:)
[ "$text" -gt 10 ] || fail "no size text in the top strip"
xdotool mousemove 1000 900
sleep 0.3
shoot "$scratch/left.png"
expect "$scratch/left.png" $(( x + 50 )) $(( y + 3 )) 0 255 0 "strips gone once the pointer left"

"$closer" "$id" || fail "cannot close the window"
wait_exit "$APP_PID" 10 || fail "still running after its window was closed"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE after browsing"
APP_PID=""

# Thousands of files: repainting, Cancel, and closing mid-scan.
many=$scratch/many
mkdir -p "$many"
# A 1600 x 1200 photo-like JPEG takes a few milliseconds to thumbnail.
$convert -size 1600x1200 plasma: -quality 92 "$many/0.jpg"
for i in $(seq 1 2000); do ln "$many/0.jpg" "$many/$i.jpg"; done
XDG_CONFIG_HOME=$scratch/config "$lumigrid" "$many" &
APP_PID=$!
id=$(find_window "Lumigrid v1.0.1") || fail "no main window for the large scan"
sleep 1
bar="684x17+$(( CX + 22 ))+$(( CY + 605 ))"
shoot "$scratch/run1.png"
sleep 0.5
shoot "$scratch/run2.png"
$convert "$scratch/run1.png" -crop "$bar" +repage "$scratch/bar1.png"
$convert "$scratch/run2.png" -crop "$bar" +repage "$scratch/bar2.png"
$convert "$scratch/run1.png" -crop "$count_region" +repage "$scratch/n1.png"
$convert "$scratch/run2.png" -crop "$count_region" +repage "$scratch/n2.png"
moved=$($compare -metric AE "$scratch/bar1.png" "$scratch/bar2.png" null: 2>&1)
counted=$($compare -metric AE "$scratch/n1.png" "$scratch/n2.png" null: 2>&1)
[ "${moved%% *}" -gt 0 ] || fail "the progress bar did not move while the scan ran"
[ "${counted%% *}" -gt 0 ] || fail "the count did not change while the scan ran"
expect "$scratch/run2.png" 700 606 76 76 76 "the bar is not full yet mid-scan"

click_client 660 585
sleep 0.5
shoot "$shots/browse-cancelled.png"
expect "$shots/browse-cancelled.png" 700 606 218 218 218 "Cancel fills the bar"
sleep 1
shoot "$scratch/after.png"
$convert "$shots/browse-cancelled.png" -crop "$count_region" +repage "$scratch/c1.png"
$convert "$scratch/after.png" -crop "$count_region" +repage "$scratch/c2.png"
same=$($compare -metric AE "$scratch/c1.png" "$scratch/c2.png" null: 2>&1)
[ "${same%% *}" -eq 0 ] || fail "entries kept coming after Cancel"

# The wheel over a cell pages the grid: the scroll bar's thumb moves down.
scrollbar="16x548+$(( CX + 692 ))+$(( CY + 14 ))"
xdotool mousemove $(( CX + $(cellx 8) + 50 )) $(( CY + $(celly 8) + 50 ))
sleep 0.3
shoot "$scratch/top.png"
xdotool click 5
sleep 0.5
shoot "$scratch/paged.png"
$convert "$scratch/top.png" -crop "$scrollbar" +repage "$scratch/s1.png"
$convert "$scratch/paged.png" -crop "$scrollbar" +repage "$scratch/s2.png"
paged=$($compare -metric AE "$scratch/s1.png" "$scratch/s2.png" null: 2>&1)
[ "${paged%% *}" -gt 0 ] || fail "the wheel did not page the grid"
"$closer" "$id" || fail "cannot close the window"
wait_exit "$APP_PID" 10 || fail "still running after its window was closed"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE after the cancelled scan"

XDG_CONFIG_HOME=$scratch/config "$lumigrid" "$many" &
APP_PID=$!
id=$(find_window "Lumigrid v1.0.1") || fail "no main window for the interrupted scan"
sleep 1
"$closer" "$id" || fail "cannot close the window"
wait_exit "$APP_PID" 10 || fail "closing mid-scan did not end the program"
[ "$EXIT_CODE" -eq 0 ] || fail "exit code $EXIT_CODE when closed mid-scan"
APP_PID=""
stop_xvfb
echo "browse: breadth-first cells, geometry, strips, count and bar; repainting, Cancel and closing mid-scan; exit code 0"
