#!/usr/bin/env bash
# End-to-end test of the viewer as a person uses it: the real program in a virtual X server
# of its own, keys and mouse through xdotool, screenshots through ImageMagick, checks on
# regions of pixels (with colour tolerances, so rasterisers that differ in a few pixels
# still pass) and on the console lines.
#   tests/e2e/viewer_e2e.sh PATH/TO/MeshViewer      (from the project root)
# Needs Xvfb, xdotool and ImageMagick (tools/setup.sh test). Environment: MV_E2E_TIMEOUT
# (seconds, default 540); MV_E2E_SHOTS, a directory to keep the screenshots in (otherwise
# kept only on failure, in e2e-artifacts/ beside the viewer).
set -uo pipefail
viewer=${1:?usage: viewer_e2e.sh PATH/TO/MeshViewer}
viewer=$(cd "$(dirname "$viewer")" && pwd)/$(basename "$viewer")
root=$(pwd)
for tool in Xvfb xdotool import convert compare od awk timeout; do
    command -v "$tool" >/dev/null || { echo "FAIL: '$tool' is missing (tools/setup.sh test)" >&2; exit 1; }
done
[ -x "$viewer" ] || { echo "FAIL: no viewer at $viewer" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/viewer-e2e.XXXXXX")
xvfb_pid="" viewer_pid="" watchdog_pid="" feeder_pid="" failures=0 passes=0
cleanup() {
    local status=$?
    trap - EXIT INT TERM
    for p in $watchdog_pid $viewer_pid $feeder_pid $xvfb_pid; do kill "$p" 2>/dev/null; done
    if [ "$status" -ne 0 ]; then
        local keep="$(dirname "$viewer")/e2e-artifacts"
        rm -rf "$keep" && mkdir -p "$keep" && cp -r "$work"/. "$keep"/ 2>/dev/null
        echo "Screenshots and console output kept in $keep" >&2
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
# The whole test never outlives its limit, whatever hangs.
(
    sleep "${MV_E2E_TIMEOUT:-540}" >/dev/null 2>&1 &
    trap 'kill $! 2>/dev/null; exit 0' TERM
    wait $!
    echo "FAIL: the end-to-end test took too long" >&2
    kill -TERM $$ 2>/dev/null
) &
watchdog_pid=$!

pass() { passes=$((passes + 1)); echo "ok   - $*"; }
fail() { failures=$((failures + 1)); echo "FAIL - $*"; }
die() { echo "FAIL - $*"; exit 1; }
# ok CONDITION MESSAGE: passes when the shell condition holds.
ok() { if eval "$1"; then pass "$2"; else fail "$2"; fi; }

# Pixel predicates over r, g, b (0..255), for awk.
SKY='(r-136)^2<=64 && (g-192)^2<=64 && (b-245)^2<=64'
GREY='(r-g)^2<=100 && (g-b)^2<=100 && r>=50 && r<=210'
THING="!($SKY) && !($GREY)"
# Regions in window pixels: x y width height.
UPPER_RIGHT="700 40 320 180" GRID="150 420 724 300" CUBE="400 60 230 230" FPS_TEXT="0 0 120 32"
SCENE="0 40 1024 728" CENTRE="262 134 500 500" BUNNY="20 100 300 450" TRIANGLE="740 450 70 95"

pixels() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -alpha off -depth 8 rgb:- | od -An -v -tu1 -w3; }
# count IMAGE X Y W H PREDICATE: pixels of the region that satisfy the predicate.
count() { pixels "$@" | awk "{ r = \$1; g = \$2; b = \$3; if ($6) n++ } END { print n + 0 }"; }
# centroid IMAGE X Y W H PREDICATE: "n x y" of the matching pixels, in window pixels.
centroid() {
    pixels "$@" | awk -v w="$4" -v x0="$2" -v y0="$3" "
        { r = \$1; g = \$2; b = \$3; if ($6) { n++; sx += i % w; sy += int(i / w) }; i++ }
        END { if (n == 0) print 0, -1, -1; else printf \"%d %d %d\n\", n, x0 + sx / n, y0 + sy / n }"
}
# differing IMAGE1 IMAGE2 X Y W H [FUZZ]: pixels of the region that differ by more than FUZZ.
differing() {
    convert "$1" -crop "${5}x${6}+${3}+${4}" +repage "$work/diff-a.png"
    convert "$2" -crop "${5}x${6}+${3}+${4}" +repage "$work/diff-b.png"
    compare -metric AE -fuzz "${7:-10%}" "$work/diff-a.png" "$work/diff-b.png" null: 2>&1 | awk '{ print int($1) }'
}
alive() { kill -0 "$viewer_pid" 2>/dev/null; }
# shot NAME: a screenshot of the viewer window in $work/NAME.png.
shot() {
    alive || die "the viewer ended unexpectedly: $(cat "$err")"
    timeout 20 import -window "$window" "$work/$1.png" 2>>"$work/import.log" || die "no screenshot $1"
    [ -z "${MV_E2E_SHOTS:-}" ] || { mkdir -p "$MV_E2E_SHOTS" && cp "$work/$1.png" "$MV_E2E_SHOTS/"; }
}
# poll SECONDS COMMAND...: repeats the command (which takes its own screenshot) until it
# succeeds or time runs out, so a slow frame only delays a check.
poll() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.3
    done
}
key() { timeout 10 xdotool key --delay 60 "$@" || die "xdotool could not type $*"; }
# hold KEY SECONDS [then]: holds a key; with "then", space follows the release at once, so
# that a slow frame lets the camera drift no further.
hold() {
    timeout 5 xdotool keydown "$1" sleep "$2" keyup "$1" ${3:+key space} || die "could not hold $1"
}
point() { timeout 5 xdotool mousemove --window "$window" "$1" "$2" || die "could not move the pointer"; }
drag() {
    point "$1" "$2" && sleep 0.2 && timeout 5 xdotool mousedown 1 && sleep 0.2 && point "$3" "$4" &&
        sleep 0.2 && timeout 5 xdotool mouseup 1 && sleep 0.4 || die "xdotool could not drag"
}
wheel() { timeout 5 xdotool click --repeat "$2" --delay 100 "$1" && sleep 0.4 || die "no wheel"; }

# A virtual X server on a free display (-displayfd picks it), so parallel runs never collide.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || die "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n 1 "$work/display")"
unset XAUTHORITY

# Leak checking of sanitizer builds is off for every run of the viewer: the Mesa driver holds
# memory at exit from a module already unloaded, which no suppression can name (the unit
# tests check our leaks).
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

# start DIRECTORY NAME TITLE [ARGS...]: starts the viewer in DIRECTORY, its output in
# $work/NAME-stdout.txt and -stderr.txt, and waits for its window titled TITLE.
start() {
    local dir=$1 title=$3
    out="$work/$2-stdout.txt" err="$work/$2-stderr.txt"
    shift 3
    (cd "$dir" && exec "$viewer" "$@" >"$out" 2>"$err" </dev/null) &
    viewer_pid=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)
    [ -n "$window" ] || die "no window titled \"$title\" appeared: $(cat "$err")"
    # Keys go to the window under the pointer (there is no window manager to give focus);
    # the lower edge is clear of the cube.
    point 900 740
}
# quit: q ends the viewer with status 0 within 10 seconds.
quit() {
    key q
    for _ in $(seq 100); do alive || break; sleep 0.1; done
    alive && { fail "q did not end the viewer"; kill "$viewer_pid"; return; }
    wait "$viewer_pid"
    ok "[ $? -eq 0 ]" "q ends the viewer with status 0"
    viewer_pid=""
}

# ---------------------------------------------------------------------------------------
# The viewer as a person starts it: from the project root, no arguments.
start . main "Mesh Viewer"
geometry=$(xdotool getwindowgeometry "$window")
ok '[[ "$geometry" == *"Position: 100,100"* && "$geometry" == *"Geometry: 1024x768"* ]]' \
    "the window \"Mesh Viewer\" is 1024 x 768 at (100, 100)"
start_state() {
    shot start
    sky=$(count "$work/start.png" $UPPER_RIGHT "$SKY") grid=$(count "$work/start.png" $GRID "$GREY")
    read -r cube_n cube_x cube_y <<<"$(centroid "$work/start.png" $CUBE "$THING")"
    fps=$(count "$work/start.png" $FPS_TEXT "$THING")
    [ "$sky" -ge 56000 ] && [ "$grid" -ge 20000 ] && [ "$cube_n" -ge 3000 ] && [ "$fps" -ge 40 ]
}
poll 10 start_state
corner=$(convert "$work/start.png" -crop 1x1+1010+50 +repage -depth 8 txt:- | tail -n 1)
ok '[ "$sky" -ge 56000 ] && [[ "$corner" == *"(136,192,245)"* ]]' "sky blue background ($sky pixels, $corner)"
ok '[ "$grid" -ge 20000 ]' "the grid is drawn ($grid grey pixels)"
ok '[ "$cube_n" -ge 3000 ] && [ "$cube_x" -ge 450 ] && [ "$cube_x" -le 574 ] && [ "$cube_y" -ge 100 ] && [ "$cube_y" -le 250 ]' \
    "the cube is near the centre top ($cube_n pixels around ($cube_x, $cube_y))"
ok '[ "$fps" -ge 40 ]' "the FPS text is in the top left corner ($fps pixels)"
sleep 0.5
shot spin
moved=$(differing "$work/start.png" "$work/spin.png" $CUBE)
ok '[ "$moved" -ge 300 ]' "the cube spins ($moved pixels changed)"

# p hides grid, axes and letters, P shows them; m draws outlines, n fills again.
shows() { # shows NAME REGION PREDICATE MIN MAX
    shot "$1"
    n=$(count "$work/$1.png" $2 "$3")
    [ "$n" -ge "$4" ] && [ "$n" -le "$5" ]
}
# expect_pixels SECONDS NAME REGION PREDICATE MIN MAX MESSAGE: waits for a screenshot with
# MIN to MAX pixels of the region that match, and reports.
expect_pixels() {
    poll "$1" shows "$2" "$3" "$4" "$5" "$6"
    ok "[ $n -ge $5 ] && [ $n -le $6 ]" "$7 ($n pixels)"
}
key p
poll 5 shows nogrid "$GRID" "$GREY" 0 50 && axes=$(count "$work/nogrid.png" 0 300 1024 468 "$THING")
ok '[ "$n" -le 50 ] && [ "$axes" -le 50 ]' "p hides the grid ($n) and the axes ($axes pixels)"
key P
expect_pixels 5 grid "$GRID" "$GREY" 20000 999999 "P shows the grid again"
key m
expect_pixels 5 outlines "$CUBE" "$THING" 100 $((cube_n * 2 / 5)) "m draws the cube as outlines (of $cube_n)"
key n
expect_pixels 5 filled "$CUBE" "$THING" $((cube_n * 3 / 5)) 999999 "n fills the cube again"

# Flying: w pushes while held and the camera drifts on, space stops it, x brings it home,
# full stop and comma jump forward and back.
hold w 0.4
sleep 0.3 && shot drift1 && sleep 0.5 && shot drift2
drift=$(differing "$work/drift1.png" "$work/drift2.png" $GRID)
ok '[ "$drift" -ge 2000 ]' "w sets the camera drifting ($drift pixels between two frames)"
key space
sleep 0.4 && shot stopped1 && sleep 0.5 && shot stopped2
still=$(differing "$work/stopped1.png" "$work/stopped2.png" $GRID)
ok '[ "$still" -le 200 ]' "space stops the camera ($still pixels)"
home_again() { shot home && home=$(differing "$work/start.png" "$work/home.png" $GRID) && [ "$home" -le 300 ]; }
key x
ok 'poll 5 home_again' "x returns the camera home"
key period period
shot closer
closer=$(differing "$work/home.png" "$work/closer.png" $GRID)
key comma comma
ok 'poll 5 home_again && [ "$closer" -ge 2000 ]' "full stop jumps forward ($closer pixels) and comma back"

# Dragging turns the view, w/a/s/d/W/S fly: with the grid hidden the cube is all there is
# to follow. The camera keeps its view, so the scene moves the other way on screen.
key p
poll 5 shows nogrid "$GRID" "$GREY" 0 50
read -r _ x0 y0 <<<"$(centroid "$work/nogrid.png" $SCENE "$THING")"
moved_by() { # moved_by NAME: dx dy of the cube since the start
    shot "$1"
    read -r _ x y <<<"$(centroid "$work/$1.png" $SCENE "$THING")"
    dx=$((x - x0)) dy=$((y - y0))
}
drag 700 600 740 600
moved_by dragged
ok '[ "$dx" -le -100 ]' "dragging right turns the view right (the cube moved $dx pixels)"
key x
for case in "W 0 1 up" "S 0 -1 down" "d -1 0 right" "A 1 0 left"; do
    read -r k sx sy what <<<"$case"
    hold "$k" 0.6 then && sleep 0.4
    moved_by "fly-$k"
    along=$((dx * sx + dy * sy)) across=$((dx * sy + dy * sx))
    ok '[ "$along" -ge 8 ] && [ "${across#-}" -le $((along / 2)) ]' "$k moves the camera $what (cube by ($dx, $dy))"
    key x && sleep 0.4
done
drag 700 600 700 570
moved_by tilted
ok '[ "$dy" -ge 60 ]' "dragging up tilts the view up (the cube moved $dy pixels down)"
point 900 740
key o p
ok 'poll 5 home_again' "o turns the view back towards the origin"
key Left Up F1 F5
sleep 0.4
ok 'poll 5 home_again' "arrow and function keys change nothing"

# Loading: 2 puts the bunny on the left, 1 the triangle on the lower right.
ok '[ ! -s "$out" ] && [ ! -s "$err" ]' "nothing is written before loading"
key 2
bunny_loaded() { shows "$1" "$BUNNY" "$THING" 81000 999999 && grep -q "genus" "$out"; }
poll 90 bunny_loaded bunny
bunny=$n
ok '[ "$bunny" -ge 81000 ]' "2 shows the bunny on the left ($bunny pixels)"
green=$(count "$work/bunny.png" $BUNNY 'g>r+40 && g>b+20') red=$(count "$work/bunny.png" $BUNNY 'r>g+40')
ok '[ "$green" -ge 1000 ] && [ "$red" -ge 1000 ]' "the bunny is coloured by its normals ($green green, $red red)"
ok '[ "$(cat "$out")" = "The area of the mesh is: 218.69
The genus of the mesh is: 0" ]' "2 prints the area and the genus 0"
ok '[ "$(cat "$err")" = "Loading half edge mesh...
Done with edge check (checked 11022 edges)
Done with face check (checked 3674 faces)
Done with vertex check (checked 1839 vertices)
Looping through triangle neighborhood of each vertex... 
Done: 0 isolated vertices found" ]' "2 writes its loading line and a clean validation report"
key 1
poll 20 shows loaded "$TRIANGLE" "$THING" 300 99999
ok '[ "$n" -ge 300 ] && [ "$(count "$work/loaded.png" $BUNNY "$THING")" -ge 81000 ]' \
    "1 shows the triangle on the lower right ($n pixels) beside the bunny"
ok '[ "$(tail -n 1 "$err")" = "Loading mesh..." ] && [ "$(wc -l <"$out")" -eq 2 ]' "1 writes only \"Loading mesh...\""
key m
expect_pixels 10 meshlines "$BUNNY" "$THING" 5000 $((bunny * 3 / 5)) "m draws the meshes as outlines"
key n
expect_pixels 10 meshfilled "$BUNNY" "$THING" $((bunny * 9 / 10)) 999999 "n fills the meshes again"

# f frames what keys 1 and 2 loaded: whole, in the middle; the wheel zooms in and back out.
key p f
framed() { shows framed "$CENTRE" "$THING" 40000 999999; }
poll 10 framed
edges=$(($(count "$work/framed.png" 0 40 1024 40 "$THING") + $(count "$work/framed.png" 0 728 1024 40 "$THING")))
ok '[ "$n" -ge 40000 ] && [ "$edges" -le 200 ]' "f frames the meshes ($n pixels in the centre, $edges at the edges)"
framed_all=$(count "$work/framed.png" $SCENE "$THING")
wheel 4 3
poll 10 shows zoomed "$SCENE" "$THING" $((framed_all * 3 / 2)) 9999999
zoomed=$n
wheel 5 3
poll 10 shows unzoomed "$SCENE" "$THING" $((framed_all * 19 / 20)) $((framed_all * 21 / 20))
ok '[ "$zoomed" -ge $((framed_all * 3 / 2)) ] && [ $((n * 20)) -ge $((framed_all * 19)) ] && [ $((n * 20)) -le $((framed_all * 21)) ]' \
    "the wheel zooms in ($framed_all to $zoomed pixels) and back out ($n)"
quit

# With the drawing cache off the bunny's pixels are the same.
start . nocache "Mesh Viewer" --no-cache
key 2
poll 90 bunny_loaded nocache
same=$(differing "$work/loaded.png" "$work/nocache.png" $BUNNY 0)
ok '[ "$same" -eq 0 ]' "the bunny drawn without the cache has the same pixels ($same differ)"
quit

# ---------------------------------------------------------------------------------------
# Files on the command line, from a directory of the user's: a relative and an absolute
# path. The 200k-triangle sphere sits in the middle, around the cube.
mkdir -p "$work/user/meshes"
torus() { # torus TUBE: a ring of radius 1 around the y axis
    awk -v r="$1" 'BEGIN { pi = atan2(0, -1); n = 24; m = 12
    for (i = 0; i < n; i++) for (j = 0; j < m; j++)
        printf "v %.6f %.6f %.6f\n", (1 + r*cos(2*pi*j/m))*cos(2*pi*i/n), r*sin(2*pi*j/m), (1 + r*cos(2*pi*j/m))*sin(2*pi*i/n)
    for (i = 0; i < n; i++) for (j = 0; j < m; j++) {
        a = 1 + i*m + j; b = 1 + ((i+1)%n)*m + j; c = 1 + i*m + (j+1)%m; d = 1 + ((i+1)%n)*m + (j+1)%m
        printf "f %d %d %d\nf %d %d %d\n", a, c, b, b, c, d } }'
}
torus 0.4 >"$work/user/meshes/torus.obj"
awk 'BEGIN { pi = atan2(0, -1); nl = 223; nm = 450; print "v 0 1 0"
    for (i = 1; i < nl; i++) for (j = 0; j < nm; j++)
        printf "v %.6f %.6f %.6f\n", sin(pi*i/nl)*cos(2*pi*j/nm), cos(pi*i/nl), sin(pi*i/nl)*sin(2*pi*j/nm)
    print "v 0 -1 0"; s = (nl - 1) * nm + 2
    for (j = 0; j < nm; j++) { k = (j + 1) % nm; printf "f 1 %d %d\nf %d %d %d\n", 2 + k, 2 + j, s, s - nm + j, s - nm + k }
    for (i = 1; i < nl - 1; i++) for (j = 0; j < nm; j++) { k = (j + 1) % nm
        a = 2 + (i-1)*nm + j; b = 2 + (i-1)*nm + k; printf "f %d %d %d\nf %d %d %d\n", a, b, a + nm, b, b + nm, a + nm } }' \
    >"$work/user/sphere.obj"
# Position 9 repeats position 1: the half-edge mesh welds them into 8 vertices.
printf 'v 0 0 0\nv 2 0 0\nv 2 0.5 0\nv 0 0.5 0\nv 0 0 0.3\nv 2 0 0.3\nv 2 0.5 0.3\nv 0 0.5 0.3\nv -0 0 0\nf 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 9 5 8 4\nf 2 3 7 6\n' \
    >"$work/user/meshes/bar.obj"
files=(meshes/torus.obj "$work/user/sphere.obj" meshes/bar.obj)
start "$work/user" files "Mesh Viewer - 3 files" "${files[@]}"
ok 'grep -qx "File: meshes/torus.obj" "$out" && grep -qx "Summary: 1 component, 0 boundary loops, 0 non-manifold edges, volume [0-9.]*, genus 1, area [0-9.]*" "$out"' \
    "the torus is named and summed up: genus 1"
ok '[ "$(grep -c "^Summary: 1 component, 0 boundary loops, 0 non-manifold edges, volume [0-9.]*, genus 0, area [0-9.]*$" "$out")" -eq 2 ] &&
    grep -q "checked 199800 faces" "$err" && grep -q "(checked 8 vertices)" "$err" &&
    [ "$(grep -c "^Loading half edge mesh...$" "$err")" -eq 3 ]' \
    "every file gets key 2's lines and a summary"
# Drawn (a window not yet drawn is black) and the meshes in the middle.
home_view() { shows home3 "$CENTRE" "$THING" 30000 999999 && [ "$(count "$work/home3.png" $UPPER_RIGHT "$SKY")" -ge 50000 ]; }
poll 20 home_view
read -r _ cx cy <<<"$(centroid "$work/home3.png" $SCENE "$THING")"
edges=$(($(count "$work/home3.png" 0 40 30 728 "$THING") + $(count "$work/home3.png" 994 40 30 728 "$THING")))
ok '[ "$n" -ge 30000 ] && [ "$edges" -le 100 ] && [ "${cx}" -ge 412 ] && [ "$cx" -le 612 ]' \
    "the files are framed at the home view ($n pixels in the centre around x $cx, $edges at the sides)"
key c
shot orbit0
drag 400 600 656 600
turned() { shot orbit1 && turned=$(differing "$work/orbit0.png" "$work/orbit1.png" $SCENE) && [ "$turned" -ge 5000 ]; }
poll 15 turned
read -r _ ox _ <<<"$(centroid "$work/orbit1.png" $SCENE "$THING")"
ok '[ "$turned" -ge 5000 ] && [ $((ox - cx)) -le 120 ] && [ $((cx - ox)) -le 120 ]' \
    "c and a drag turn the scene around its centre ($turned pixels changed, centre x $cx to $ox)"
hold w 0.5
sleep 1
shot orbit2
ok '[ "$(differing "$work/orbit1.png" "$work/orbit2.png" 0 40 1024 728)" -le 200 ]' "w does not move the orbit camera"
key x
home3_again() { shot home3again && [ "$(differing "$work/home3.png" "$work/home3again.png" 0 40 1024 728 0)" -le 50 ]; }
ok 'poll 15 home3_again' "x returns to the framed home view"
quit
start "$work/user" nocache3 "Mesh Viewer - 3 files" --no-cache "${files[@]}"
same_as_cached() { shot nocache3 && same=$(differing "$work/home3.png" "$work/nocache3.png" 0 40 1024 728 0) && [ "$same" -eq 0 ]; }
poll 30 same_as_cached
ok '[ "$same" -eq 0 ]' "the 200k-triangle sphere drawn without the cache has the same pixels ($same differ)"
quit
# --benchmark counts frames for a while, reports the rate and the renderer, and ends.
bench=$(cd "$work/user" && timeout 120 "$viewer" --benchmark 1 meshes/torus.obj 2>/dev/null |
    grep -E " fps |^renderer: ")
ok '[[ "$bench" =~ [0-9.]+\ fps\ \([1-9][0-9]*\ frames\ in\ [0-9.]+\ s\;\ a\ frame:\ [0-9.]+\ ms ]] &&
    grep -q "^renderer: .*, OpenGL [0-9]" <<<"$bench"' "--benchmark reports the frame rate and the renderer (${bench%%$'\n'*})"

# ---------------------------------------------------------------------------------------
# Keys 1 and 2 where their files are missing, a directory, rejected or without triangles:
# each says why in one line, adds nothing, and the viewer runs on.
mkdir -p "$work/elsewhere" "$work/bad/Objs/bunnySmall.obj"
cp "$root/tests/bad/r08_pentagon.obj" "$work/bad/Objs/triangle.obj"
nothing_added() { shot "$1" && n=$(differing "$work/start.png" "$work/$1.png" $GRID) && [ "$n" -le 300 ]; }
start "$work/elsewhere" missing "Mesh Viewer"
key 1 2
sleep 1
ok '[ "$(cat "$out")" = "Could not open file [Objs/triangle.obj]
Could not open file [Objs/bunnySmall.obj]" ] && nothing_added missing' "1 and 2 report missing files and add nothing"
quit
start "$work/bad" bad "Mesh Viewer"
key 2 1
sleep 1
: >"$work/bad/Objs/triangle.obj"
key 1
sleep 1
ok '[ "$(cat "$out")" = "Could not open file [Objs/bunnySmall.obj]" ] && [ "$(cat "$err")" = "Loading half edge mesh...
Loading mesh...
Encountered polygon with 5 faces. Bailing out.
Loading mesh...
no triangles in Objs/triangle.obj" ] && nothing_added bad' \
    "a directory, a rejected file and an empty one are reported and add nothing"
# Out of memory while reading (not under AddressSanitizer, which reserves far more address
# space than any limit would leave): an endless stream of positions under a limit.
if ! grep -q __asan_init "$viewer" && command -v prlimit >/dev/null; then
    rm -f "$work/bad/Objs/triangle.obj" && mkfifo "$work/bad/Objs/triangle.obj"
    vsz=$(awk '/^VmSize/ { print $2 }' "/proc/$viewer_pid/status")
    prlimit --pid "$viewer_pid" --as=$(((vsz + 150000) * 1024)) || die "prlimit failed"
    (yes 'v 1 2 3' >"$work/bad/Objs/triangle.obj" 2>/dev/null) &
    feeder_pid=$!
    key 1
    for _ in $(seq 120); do grep -q "out of memory" "$err" && break; sleep 0.5; done
    ok 'grep -qx "out of memory reading Objs/triangle.obj; nothing was added" "$err" && nothing_added oom' \
        "out of memory abandons the load and the viewer goes on"
    kill "$feeder_pid" 2>/dev/null
fi
quit

# ---------------------------------------------------------------------------------------
# Inspection. A sphere of 16 x 8 facets; with defects: a hole, a flipped triangle, a fin on
# an edge, a triangle touching it at one vertex and a degenerate one in front, all on the
# side the home view sees.
sphere() {
    awk -v defects="$1" 'BEGIN { pi = atan2(0, -1); n = 16; m = 8; print "v 0 1 0"
        for (i = 1; i < m; i++) for (j = 0; j < n; j++)
            printf "v %.6f %.6f %.6f\n", sin(pi*i/m)*cos(2*pi*j/n), cos(pi*i/m), sin(pi*i/m)*sin(2*pi*j/n)
        print "v 0 -1 0"; s = (m - 1) * n + 2
        if (defects) print "v 0 -0.9 1.3\nv 0 0.95 0.95\nv 0.2 0.95 0.95\nv 0.5 0 1.2\nv 0.6 0 1.2\nv 0.7 0 1.2"
        for (j = 0; j < n; j++) { k = (j + 1) % n; printf "f 1 %d %d\nf %d %d %d\n", 2 + k, 2 + j, s, s - n + j, s - n + k }
        for (i = 1; i < m - 1; i++) for (j = 0; j < n; j++) { k = (j + 1) % n; a = 2 + (i-1)*n + j; b = 2 + (i-1)*n + k
            if (defects && i == 3 && j == 5) continue
            if (defects && i == 3 && j == 2) printf "f %d %d %d\n", a + n, b, a; else printf "f %d %d %d\n", a, b, a + n
            printf "f %d %d %d\n", b, b + n, a + n }
        if (defects) printf "f 70 69 %d\nf 22 %d %d\nf %d %d %d\n", s + 1, s + 2, s + 3, s + 4, s + 5, s + 6 }'
}
# project FILE I [J]: the window pixel of vertex I of FILE (or the middle of I and J) with
# FILE alone on the command line at the home view: placed, framed, seen through the camera.
project() {
    awk -v i="$2" -v j="${3:-$2}" '$1 == "v" { n++; for (k = 1; k <= 3; k++) { p[n, k] = $(k + 1)
            if (n == 1 || $(k + 1) < lo[k]) lo[k] = $(k + 1); if (n == 1 || $(k + 1) > hi[k]) hi[k] = $(k + 1) } }
        END { pi = atan2(0, -1); big = 0; diag = 0
            for (k = 1; k <= 3; k++) { d = hi[k] - lo[k]; diag += d * d; if (d > big) big = d }
            r = sqrt(diag) / big / 2; dist = r / sin(pi / 8); if (dist < r + 0.1) dist = r + 0.1
            for (k = 1; k <= 3; k++) v[k] = ((p[i, k] + p[j, k]) / 2 - (lo[k] + hi[k]) / 2) / big
            v[2] -= 0.4472136 * dist; v[3] -= 0.8944272 * dist
            depth = -0.4472136 * v[2] - 0.8944272 * v[3]; t = sin(pi / 8) / cos(pi / 8)
            printf "%d %d\n", 512 + 512 * v[1] / (depth * t * 4 / 3), 384 - 384 * (0.8944272 * v[2] - 0.4472136 * v[3]) / (depth * t) }' "$1"
}
# near IMAGE X Y PREDICATE: matching pixels within 12 pixels of (X, Y).
near() { count "$1" $(($2 - 12)) $(($3 - 12)) 25 25 "$4"; }
ORANGE='r>=215 && g>=88 && g<=168 && b<=40' PINK='r>=215 && g<=40 && b>=88 && b<=168' DARK='r<=40 && g<=40 && b<=40'
LIME='g>=215 && r>=88 && r<=168 && b<=40' VIOLET='b>=215 && r>=88 && r<=168 && g<=40' AZURE='b>=215 && g>=88 && g<=168 && r<=40'
mkdir -p "$work/inspect" && cd "$work/inspect" || die "no directory"
sphere 1 >defects.obj && sphere 0 >clean.obj
# A torus of a third the size (stronger colours), with a tetrahedron high above that keeps
# the cube clear of its hole.
torus 0.7 | awk '$1 == "v" { $2 *= 0.3; $3 *= 0.3; $4 *= 0.3 } 1' >torus.obj
printf 'v 0 1.6 0\nv 0.1 1.8 0\nv -0.05 1.8 0.08\nv -0.05 1.8 -0.08\nf -4 -3 -2\nf -4 -2 -1\nf -4 -1 -3\nf -3 -1 -2\n' >>torus.obj
for f in defects clean; do timeout 60 "$viewer" --defects --screenshot "$f.png" "$f.obj" >/dev/null 2>&1 || fail "--screenshot $f.obj"; done
timeout 60 "$viewer" -geometry 400x300 --screenshot small.png clean.obj >/dev/null 2>&1 || fail "-geometry"
ok '[ "$(identify -format %wx%h, defects.png clean.png small.png)" = 1024x768,1024x768,400x300, ]' "--screenshot writes PNGs of the window's size (-geometry's when given) and ends with status 0"
for case in "ORANGE 39 boundary" "LIME 36 inconsistently oriented" "PINK 70,69 non-manifold" \
    "VIOLET 22 non-manifold vertex" "AZURE 119 degenerate"; do
    read -r colour vertex what <<<"$case" && read -r x y <<<"$(project defects.obj ${vertex/,/ })"
    n=$(near defects.png "$x" "$y" "${!colour}") clean=$(count clean.png 0 0 1024 768 "${!colour}")
    ok '[ "$n" -ge 5 ] && [ "$clean" -eq 0 ]' "--defects marks the $what defect in ${colour,,} at ($x, $y) ($n pixels; $clean on the clean sphere)"
done
cd "$root" || die "no root"
start "$work/inspect" inspect "Mesh Viewer - clean.obj" --defects clean.obj
same_frame() { shot plain && [ "$(differing "$work/inspect/clean.png" "$work/plain.png" 0 40 1024 728 0)" -eq 0 ]; }
ok 'poll 10 same_frame' "--screenshot wrote the pixels the window shows (below the frame rate)"
hint=$(count "$work/plain.png" 950 0 74 30 "!($SKY)")
ok '[ $(($(count "$work/inspect/clean.png" $FPS_TEXT "!($SKY)") + $(count "$work/inspect/clean.png" 950 0 74 30 "!($SKY)"))) -eq 0 ] && [ "$(count "$work/plain.png" $FPS_TEXT "$THING")" -ge 40 ]' \
    "--screenshot leaves out the frame counter and the help hint that the window shows"
key e
poll 10 shows edges "$CENTRE" "$DARK" $(($(count "$work/plain.png" $CENTRE "$DARK") + 1500)) 999999
ok '[ "$(count "$work/edges.png" $CENTRE "b>=120 && !($SKY)")" -ge $(($(count "$work/plain.png" $CENTRE "b>=120 && !($SKY)") * 2 / 3)) ] &&
    [ "$(differing "$work/plain.png" "$work/edges.png" 0 620 1024 148 0)" -eq 0 ]' "e draws edges over the shaded sphere ($n dark pixels), not over the grid"
key e h
poll 10 shows help "250 240 50 290" "r<=110 && g<=110 && b<=110" 12000 99999
ok '[ "$n" -ge 12000 ] && [ "$hint" -ge 20 ]' "h shows the help panel ($n pixels darkened beside the sphere); \"h: help\" shows at the start ($hint pixels)"
key h i i
for _ in $(seq 50); do grep -q 002 "$out" && break; sleep 0.2; done
shot grab
ok '[ "$(cat "$out" | tail -n 2)" = "Saved meshviewer-001.png
Saved meshviewer-002.png" ] && [ "$(differing "$work/inspect/meshviewer-002.png" "$work/grab.png" 0 40 1024 728 0)" -eq 0 ]' \
    "i saves the window, pixel for pixel as the screen shows it, under the next free name"
quit
for f in clean torus; do timeout 60 "$viewer" --curvature --screenshot "$work/inspect/k-$f.png" "$work/inspect/$f.obj" >"$work/k-$f-stdout.txt" 2>&1; done
ok '[ "$(count "$work/inspect/k-clean.png" $CENTRE "b>=r+10 && b>=g+10")" -ge $(($(count "$work/inspect/k-clean.png" $CENTRE "$THING") * 9 / 10)) ] &&
    grep -q "^Curvature: min 0.99.*, max 1.0.*, 0 of 114 vertices without a value" "$work/k-clean-stdout.txt"' "--curvature colours a sphere in one colour"
start "$work/inspect" curvature "Mesh Viewer - clean.obj" --curvature clean.obj
key k
poll 10 shows normals "$CENTRE" "g>=b+20" 2000 999999 # the top, green by its normal
ok '[ "$n" -ge 2000 ]' "k turns the curvature colours into normal colours ($n green pixels)"
quit
# The torus's mean curvature is positive outside, negative on the inner wall (the far one
# shows through the hole); the colours run from red through black to blue.
torus_at() { project <(printf 'v 0 0 0.51\nv 0 0.105 -0.118\n' | cat - "$work/inspect/torus.obj") "$1"; }
read -r x y <<<"$(torus_at 1)" && read -r x2 y2 <<<"$(torus_at 2)"
blue=$(near "$work/inspect/k-torus.png" "$x" "$y" "b>=r+8") red=$(near "$work/inspect/k-torus.png" "$x2" "$y2" "r>=b+8")
ok '[ "$blue" -ge 400 ] && [ "$red" -ge 100 ]' "--curvature colours a torus blue outside ($blue pixels) and red on the inner wall ($red)"

# ---------------------------------------------------------------------------------------
# Measuring, picking and rereading on a bar of 2 x 0.5 x 0.3 (corner 7 at the top right of
# its front, corner 5 at the bottom left). No cube stands in a scene of files; g shows it.
mkdir -p "$work/measure" "$work/caller" && cd "$work/measure" || die "no directory"
cp "$work/user/meshes/bar.obj" bar.obj
start "$work/measure" measure "Mesh Viewer - bar.obj" --watch bar.obj
still() { shot "$1" && sleep 0.5 && shot "$1b" && [ "$(differing "$work/$1.png" "$work/$1b.png" $SCENE 0)" -eq 0 ]; }
spins() { shot "$1" && sleep 0.5 && shot "$1b" && [ "$(differing "$work/$1.png" "$work/$1b.png" $SCENE 0)" -ge 300 ]; }
ok 'poll 10 still nocube' "with files on the command line no cube spins in the scene"
key g
ok 'poll 10 spins cube' "g shows the spinning cube"
key g
ok 'poll 10 still nocube2 && [ "$(differing "$work/nocube.png" "$work/nocube2.png" $SCENE 0)" -eq 0 ]' "g hides it again"
read -r x7 y7 <<<"$(project bar.obj 7)" && read -r x5 y5 <<<"$(project bar.obj 5)"
click() { point "$1" "$2" && timeout 5 xdotool click 1 && sleep 0.3 || die "could not click"; }
picks() { for _ in $(seq 50); do [ "$(grep -c "^Pick:" "$out")" -ge "$1" ] && return; sleep 0.2; done; }
click $((x7 - 16)) $((y7 + 3)) && picks 1
click $((x5 + 16)) $((y5 - 3)) && picks 2
ok '[ "$(grep "^Pick:" "$out")" = "Pick: bar.obj: vertex 6 (2, 0.5, 0.300000012), triangle 3
Pick: bar.obj: vertex 4 (0, 0, 0.300000012), triangle 2; 2.06155281 from the vertex picked before" ]' \
    "clicks name the file, the nearest vertex and triangle, then the distance ($(grep "^Pick:" "$out" | tail -n 1))"
point 900 740 && shot picked
ok '[ "$(count "$work/picked.png" 0 40 700 30 "$DARK")" -ge 300 ]' "the pick stays shown in the window"
drag 500 700 540 700
click 900 100
ok '[ "$(grep -c "^Pick:" "$out")" -eq 3 ] && [ "$(tail -n 1 "$out")" = "Pick: no mesh of the command line under the pointer" ]' \
    "a drag picks nothing; a click beside the meshes says so"
key l
for _ in $(seq 50); do grep -q "^Box:" "$out" && break; sleep 0.2; done
ok '[ "$(grep "^Box:" "$out")" = "Box: bar.obj: 2 x 0.5 x 0.300000012" ]' "l gives the box in file units"
key l x
poll 10 still before
# r rereads every file with its lines; --watch rereads a changed one; a broken one stays shown.
lines=$(wc -l <"$out")
key r
for _ in $(seq 50); do [ "$(grep -c "^File: bar.obj" "$out")" -ge 2 ] && break; sleep 0.2; done
ok '[ "$(tail -n +$((lines + 1)) "$out")" = "$(head -n 4 "$out")" ] && poll 10 still reread && [ "$(differing "$work/before.png" "$work/reread.png" $SCENE 0)" -eq 0 ]' \
    "r prints the file's lines again and keeps the view"
sed 's/^v 2 /v 4 /' bar.obj >bar.new && mv bar.new bar.obj
for _ in $(seq 50); do [ "$(grep -c "^File: bar.obj" "$out")" -ge 3 ] && break; sleep 0.2; done
ok '[ "$(grep -c "^File: bar.obj" "$out")" -eq 3 ] && [ "$(grep -c "^Summary:" "$out")" -eq 3 ]' "--watch rereads the file once it has changed"
poll 10 still longer
echo 'v 1 2' >bar.obj
for _ in $(seq 50); do grep -q "stays" "$err" && break; sleep 0.2; done
sleep 2.5 && shot broken
ok '[ "$(grep -c "the mesh shown stays$" "$err")" -eq 1 ] && [ "$(differing "$work/longer.png" "$work/broken.png" $SCENE 0)" -eq 0 ] &&
    [ "$(differing "$work/before.png" "$work/longer.png" $SCENE 0)" -ge 1000 ]' "a file broken on disk prints one line and its mesh stays ($(grep stays "$err"))"
quit
# Pictures go where the command was run (MV_CALLER_DIR, as run.sh sets it): --screenshot and i.
cp "$work/user/meshes/bar.obj" "$work/caller/bar.obj"
(cd "$root" && MV_CALLER_DIR="$work/caller" timeout 60 "$viewer" --screenshot out.png bar.obj >/dev/null 2>&1)
ok '[ -s "$work/caller/out.png" ] && [ ! -e "$root/out.png" ]' "--screenshot writes into the caller's directory"
(cd "$work/caller" && timeout 60 "$viewer" --screenshot no.png bar.obj missing.obj >/dev/null 2>"$work/no-stderr.txt")
ok '[ $? -eq 1 ] && [ ! -e "$work/caller/no.png" ] && grep -q "^MeshViewer: missing.obj: " "$work/no-stderr.txt"' \
    "a file that cannot be read ends --screenshot with status 1 and no picture"
(cd "$root" && MV_CALLER_DIR="$work/caller" exec "$viewer" bar.obj >"$work/caller-stdout.txt" 2>/dev/null </dev/null) &
viewer_pid=$! out="$work/caller-stdout.txt"
window=$(timeout 60 xdotool search --sync --onlyvisible --name "^Mesh Viewer - bar.obj\$" | head -n 1)
point 900 740 && key i
for _ in $(seq 50); do grep -q Saved "$out" && break; sleep 0.2; done
ok '[ "$(grep Saved "$out")" = "Saved $work/caller/meshviewer-001.png" ] && [ -s "$work/caller/meshviewer-001.png" ]' "i saves into the caller's directory"
quit
# Off screen, with no X server at all, the same pixels as the window's picture.
for scene in "$work/caller/bar.obj" "--defects --curvature $work/inspect/torus.obj"; do
    rm -f "$work/windowed.png" "$work/offscreen.png"
    # shellcheck disable=SC2086
    timeout 60 "$viewer" --screenshot "$work/windowed.png" $scene >/dev/null 2>&1
    # shellcheck disable=SC2086
    env -u DISPLAY timeout 60 "$viewer" --screenshot "$work/offscreen.png" $scene >/dev/null 2>&1
    n=$(compare -metric AE -fuzz 1% "$work/windowed.png" "$work/offscreen.png" null: 2>&1 | awk '{ print int($1) }')
    ok '[ -s "$work/offscreen.png" ] && [ "$n" -le 3932 ]' "off screen the picture of ${scene##*/} matches the window's ($n of 786432 pixels differ)"
done
cd "$root" || die "no root"

for f in "$work"/*-stdout.txt "$work"/*-stderr.txt; do echo "--- $(basename "$f")" && head -c 2000 "$f"; done
echo "---"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
