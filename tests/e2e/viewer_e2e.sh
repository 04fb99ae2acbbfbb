#!/usr/bin/env bash
# End-to-end test of the viewer as a person uses it: starts the real program in a virtual X
# server of its own, types keys and drags the mouse with xdotool, takes screenshots with
# ImageMagick and checks regions of pixels and the console lines.
#
#   tests/e2e/viewer_e2e.sh PATH/TO/MeshViewer
#
# Run from the project root (the viewer finds Objs/ there). Needs Xvfb, xdotool and
# ImageMagick (tools/setup.sh test installs them). Checks count pixels in regions with
# colour tolerances, so software rasterisers that differ in a few pixels still pass.
# Environment:
#   MV_E2E_TIMEOUT   seconds before the whole test gives up (default 240)
#   MV_E2E_SHOTS     a directory to keep the screenshots in (otherwise kept only on failure,
#                    next to the viewer binary in e2e-artifacts/)
set -uo pipefail

viewer=${1:?usage: viewer_e2e.sh PATH/TO/MeshViewer}
viewer=$(cd "$(dirname "$viewer")" && pwd)/$(basename "$viewer")
limit=${MV_E2E_TIMEOUT:-240}

for tool in Xvfb xdotool import convert compare od awk timeout; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "FAIL: '$tool' is missing; tools/setup.sh test (or ./test.sh) installs it" >&2
        exit 1
    fi
done
if [ ! -x "$viewer" ]; then
    echo "FAIL: no viewer at $viewer" >&2
    exit 1
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/viewer-e2e.XXXXXX")
xvfb_pid=""
viewer_pid=""
watchdog_pid=""
failures=0
passes=0

cleanup() {
    local status=$?
    trap - EXIT INT TERM
    [ -n "$watchdog_pid" ] && kill "$watchdog_pid" 2>/dev/null
    if [ -n "$viewer_pid" ] && kill -0 "$viewer_pid" 2>/dev/null; then
        kill "$viewer_pid" 2>/dev/null
        sleep 0.2
        kill -9 "$viewer_pid" 2>/dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null
    fi
    if [ "$status" -ne 0 ]; then
        local keep
        keep="$(dirname "$viewer")/e2e-artifacts"
        rm -rf "$keep"
        mkdir -p "$keep" && cp -r "$work"/. "$keep"/ 2>/dev/null
        echo "Screenshots and console output kept in $keep" >&2
    fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The whole test never outlives its limit, whatever hangs.
# The sleep holds no output open, so an early end is not kept waiting for it.
(
    sleep "$limit" >/dev/null 2>&1 &
    sleeper=$!
    trap 'kill "$sleeper" 2>/dev/null; exit 0' TERM
    wait "$sleeper"
    echo "FAIL: the end-to-end test took more than $limit seconds" >&2
    kill -TERM $$ 2>/dev/null
) &
watchdog_pid=$!

pass() {
    passes=$((passes + 1))
    echo "ok   - $*"
}
fail() {
    failures=$((failures + 1))
    echo "FAIL - $*"
}
die() {
    echo "FAIL - $*"
    exit 1
}

# Pixel predicates over r, g, b (0..255), for awk.
SKY='(r-136)^2<=64 && (g-192)^2<=64 && (b-245)^2<=64'
GREY='(r-g)^2<=100 && (g-b)^2<=100 && r>=50 && r<=210'
THING="!($SKY) && !($GREY)"

# count IMAGE X Y W H PREDICATE: pixels of the region that satisfy the predicate.
count() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -alpha off -depth 8 rgb:- |
        od -An -v -tu1 -w3 |
        awk "BEGIN { n = 0 } { r = \$1; g = \$2; b = \$3; if ($6) n++ } END { print n }"
}

# centroid IMAGE X Y W H PREDICATE: "n cx cy" of the matching pixels, in window pixels.
centroid() {
    convert "$1" -crop "${4}x${5}+${2}+${3}" +repage -alpha off -depth 8 rgb:- |
        od -An -v -tu1 -w3 |
        awk -v w="$4" -v x0="$2" -v y0="$3" "
            BEGIN { n = 0; sx = 0; sy = 0; i = 0 }
            { r = \$1; g = \$2; b = \$3
              if ($6) { n++; sx += i % w; sy += int(i / w) }
              i++ }
            END { if (n == 0) print 0, -1, -1; else printf \"%d %d %d\n\", n, x0 + sx / n, y0 + sy / n }"
}

# differing IMAGE1 IMAGE2 X Y W H: pixels of the region that differ by more than 10 %.
differing() {
    local a="$work/diff-a.png" b="$work/diff-b.png"
    convert "$1" -crop "${5}x${6}+${3}+${4}" +repage "$a"
    convert "$2" -crop "${5}x${6}+${3}+${4}" +repage "$b"
    compare -metric AE -fuzz 10% "$a" "$b" null: 2>&1 | awk '{ print int($1) }'
}

shot_no=0
# shot NAME: a screenshot of the viewer window in $work/NAME.png.
shot() {
    alive || die "the viewer ended unexpectedly (see its output below)"
    shot_no=$((shot_no + 1))
    timeout 20 import -window "$window" "$work/$1.png" 2>>"$work/import.log" ||
        die "could not take screenshot $1"
    if [ -n "${MV_E2E_SHOTS:-}" ]; then
        mkdir -p "$MV_E2E_SHOTS" && cp "$work/$1.png" "$MV_E2E_SHOTS/"
    fi
}

alive() {
    kill -0 "$viewer_pid" 2>/dev/null
}

# poll SECONDS FUNCTION ARGS...: calls the function until it succeeds or time runs out.
# Each call takes its own screenshot, so a slow frame only delays the check.
poll() {
    local end=$((SECONDS + $1))
    shift
    while true; do
        if "$@"; then
            return 0
        fi
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.3
    done
}

key() {
    timeout 10 xdotool key --delay 60 "$@" || die "xdotool could not type $*"
}

# ---------------------------------------------------------------------------------------
# A virtual X server on a free display: -displayfd picks the number and reports it once it
# accepts connections, so parallel runs never collide.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" \
    >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || die "Xvfb did not start: $(cat "$work/xvfb.log")"
    sleep 0.1
done
[ -s "$work/display" ] || die "Xvfb did not report a display within 10 seconds"
export DISPLAY=":$(head -n 1 "$work/display")"
unset XAUTHORITY
echo "Xvfb on display $DISPLAY"

# start_viewer DIRECTORY NAME: starts the viewer with DIRECTORY as working directory, its
# output in $work/NAME-stdout.txt and NAME-stderr.txt, and waits for its window.
# Sanitizer builds: at exit LeakSanitizer reports about 3 MB that the Mesa driver still
# holds, from a module already unloaded (so no suppression can name it), and would turn the
# quit key's exit(0) into a failure status. Leaks of our own code are the unit tests' job,
# so leak checking is off for the viewer only.
start_viewer() {
    out="$work/$2-stdout.txt"
    err="$work/$2-stderr.txt"
    (cd "$1" && ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
        exec "$viewer" >"$out" 2>"$err" </dev/null) &
    viewer_pid=$!
    window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Mesh Viewer$' 2>/dev/null |
        head -n 1)
    [ -n "$window" ] || die "no window titled \"Mesh Viewer\" appeared"
    # The pointer rests over the lower edge of the window: keys go to the window under it
    # (there is no window manager to give focus), and it stays clear of the cube.
    timeout 10 xdotool mousemove --window "$window" 900 740 ||
        die "xdotool could not move the pointer"
}

# quit: q, then the viewer must end with status 0 within 10 seconds.
quit() {
    key q
    for _ in $(seq 100); do
        alive || break
        sleep 0.1
    done
    if alive; then
        fail "q did not end the viewer within 10 seconds"
        return
    fi
    wait "$viewer_pid"
    local status=$?
    viewer_pid=""
    [ "$status" -eq 0 ] && pass "q ends the viewer with status 0" ||
        fail "q ended the viewer with status $status"
}

# The viewer, started as a person starts it: from the project root, no arguments.
start_viewer . main
geometry=$(xdotool getwindowgeometry "$window")
echo "$geometry"
if echo "$geometry" | grep -q "Position: 100,100" && echo "$geometry" | grep -q "Geometry: 1024x768"; then
    pass "the window is 1024 x 768 at (100, 100) and titled \"Mesh Viewer\""
else
    fail "the window is not 1024 x 768 at (100, 100): $geometry"
fi

# Regions, in window pixels (x y width height).
UPPER_RIGHT="700 40 320 180"  # sky only
GRID="150 420 724 300"        # the grid in front of the home camera
CUBE="400 60 230 230"         # the spinning cube above the origin
FPS_TEXT="0 0 120 32"         # the FPS overlay
UPPER="0 40 1024 344"         # the upper half, below the FPS text

# ---------------------------------------------------------------------------------------
# Start state.
start_state() {
    shot start
    sky=$(count "$work/start.png" $UPPER_RIGHT "$SKY")
    grid=$(count "$work/start.png" $GRID "$GREY")
    cube=$(centroid "$work/start.png" $CUBE "$THING")
    fps=$(count "$work/start.png" $FPS_TEXT "$THING")
    [ "$sky" -ge 56000 ] && [ "$grid" -ge 20000 ] && [ "${cube%% *}" -ge 3000 ] && [ "$fps" -ge 40 ]
}
poll 10 start_state
corner=$(convert "$work/start.png" -crop 1x1+1010+50 +repage -depth 8 txt:- | tail -n 1)
echo "start: sky $sky of 57600, grid $grid, cube (n cx cy) $cube, FPS text $fps; corner $corner"
if [ "$sky" -ge 56000 ] && echo "$corner" | grep -q "(136,192,245)"; then
    pass "the background is sky blue (136, 192, 245)"
else
    fail "the background is not sky blue: $sky sky pixels in the upper right, corner $corner"
fi
[ "$grid" -ge 20000 ] && pass "the grid is drawn ($grid grey pixels)" ||
    fail "the grid is missing ($grid grey pixels)"
read -r cube_n cube_x cube_y <<<"$cube"
if [ "$cube_n" -ge 3000 ] && [ "$cube_x" -ge 450 ] && [ "$cube_x" -le 574 ] &&
    [ "$cube_y" -ge 100 ] && [ "$cube_y" -le 250 ]; then
    pass "the cube is near the centre top ($cube_n pixels around ($cube_x, $cube_y))"
else
    fail "no cube near the centre top: $cube_n pixels around ($cube_x, $cube_y)"
fi
[ "$fps" -ge 40 ] && pass "the FPS text is drawn in the top left corner" ||
    fail "no FPS text in the top left corner ($fps pixels)"

# The cube spins: two frames apart in time show it turned.
sleep 0.5
shot spin
moved=$(differing "$work/start.png" "$work/spin.png" $CUBE)
[ "$moved" -ge 300 ] && pass "the cube spins ($moved pixels changed)" ||
    fail "the cube does not spin ($moved pixels changed)"

# ---------------------------------------------------------------------------------------
# p hides grid and axes; p again shows them.
key p
grid_gone() {
    shot nogrid
    grid=$(count "$work/nogrid.png" $GRID "$GREY")
    [ "$grid" -le 50 ]
}
poll 5 grid_gone && pass "p hides the grid" || fail "p did not hide the grid ($grid grey pixels)"
axes=$(count "$work/nogrid.png" 0 300 1024 468 "$THING")
[ "$axes" -le 50 ] && pass "p hides the axes and their letters" ||
    fail "axes or letters still drawn after p ($axes pixels)"
cube_still=$(count "$work/nogrid.png" $CUBE "$THING")
[ "$cube_still" -ge 3000 ] && pass "the cube stays without the grid" ||
    fail "the cube went with the grid ($cube_still pixels)"
key P
grid_back() {
    shot gridagain
    grid=$(count "$work/gridagain.png" $GRID "$GREY")
    [ "$grid" -ge 20000 ]
}
poll 5 grid_back && pass "P shows the grid again" || fail "P did not restore the grid ($grid)"

# ---------------------------------------------------------------------------------------
# m draws outlines, n fills again.
cube_filled=$cube_n
key m
outlines() {
    shot outlines
    cube_lines=$(count "$work/outlines.png" $CUBE "$THING")
    [ "$cube_lines" -ge 100 ] && [ "$cube_lines" -le $((cube_filled * 2 / 5)) ]
}
poll 5 outlines && pass "m draws the cube as outlines ($cube_lines of $cube_filled pixels)" ||
    fail "m did not turn the cube into outlines ($cube_lines of $cube_filled pixels)"
key n
filled() {
    shot filled
    cube_fill=$(count "$work/filled.png" $CUBE "$THING")
    [ "$cube_fill" -ge $((cube_filled * 3 / 5)) ]
}
poll 5 filled && pass "n fills the cube again ($cube_fill pixels)" ||
    fail "n did not fill the cube again ($cube_fill pixels)"

# ---------------------------------------------------------------------------------------
# Flying: w pushes forward while held, the camera drifts on after the release, space stops
# it, x brings it home.
timeout 5 xdotool keydown w && sleep 0.4 && timeout 5 xdotool keyup w ||
    die "xdotool could not hold w"
sleep 0.3
shot drift1
sleep 0.5
shot drift2
drift=$(differing "$work/drift1.png" "$work/drift2.png" $GRID)
away=$(differing "$work/start.png" "$work/drift2.png" $GRID)
[ "$drift" -ge 2000 ] && [ "$away" -ge 2000 ] &&
    pass "w moves the camera, and it drifts on after the release ($drift pixels)" ||
    fail "w did not set the camera drifting ($drift pixels between two frames, $away from home)"
key space
sleep 0.4
shot stopped1
sleep 0.5
shot stopped2
still=$(differing "$work/stopped1.png" "$work/stopped2.png" $GRID)
[ "$still" -le 200 ] && pass "space stops the camera" ||
    fail "the camera still moves after space ($still pixels)"
key x
home_again() {
    shot home
    home=$(differing "$work/start.png" "$work/home.png" $GRID)
    [ "$home" -le 300 ]
}
poll 5 home_again && pass "x returns the camera home ($home pixels differ from the start)" ||
    fail "x did not return the camera home ($home pixels differ from the start)"

# The comma and full stop keys jump back and forth by the same distance.
key period period
shot closer
closer=$(differing "$work/home.png" "$work/closer.png" $GRID)
key comma comma
poll 5 home_again && [ "$closer" -ge 2000 ] &&
    pass "full stop moves the eye forward and comma back again" ||
    fail "full stop and comma do not jump and return ($closer, then $home pixels)"

# ---------------------------------------------------------------------------------------
# Dragging turns the view: right turns it right (the scene moves left), up tilts it up (the
# scene moves down). The grid is hidden meanwhile, so the cube is all there is to follow.
drag() {
    timeout 5 xdotool mousemove --window "$window" "$1" "$2" && sleep 0.2 &&
        timeout 5 xdotool mousedown 1 && sleep 0.2 &&
        timeout 5 xdotool mousemove --window "$window" "$3" "$4" && sleep 0.2 &&
        timeout 5 xdotool mouseup 1 || die "xdotool could not drag"
}
SCENE="0 40 1024 728" # the window below the FPS text
key p
poll 5 grid_gone || fail "p did not hide the grid before dragging"
read -r _ before_x before_y <<<"$(centroid "$work/nogrid.png" $SCENE "$THING")"
drag 700 600 740 600
sleep 0.4
shot dragged
read -r dragged_n dragged_x _ <<<"$(centroid "$work/dragged.png" $SCENE "$THING")"
if [ "$dragged_n" -ge 3000 ] && [ $((before_x - dragged_x)) -ge 100 ]; then
    pass "dragging right turns the view right (cube from x $before_x to $dragged_x)"
else
    fail "dragging right did not turn the view right (cube from x $before_x to $dragged_x, $dragged_n pixels)"
fi
key x
sleep 0.4

# Flying sideways and up or down: hold the key, release, stop, then see where the cube went.
# The camera keeps its view, so the scene moves the other way on screen.
fly() {
    timeout 5 xdotool keydown "$1" && sleep 0.6 && timeout 5 xdotool keyup "$1" ||
        die "xdotool could not hold $1"
    key space
    sleep 0.4
    shot "fly-$2"
    read -r _ fly_x fly_y <<<"$(centroid "$work/fly-$2.png" $SCENE "$THING")"
    fly_dx=$((fly_x - before_x))
    fly_dy=$((fly_y - before_y))
    key x
    sleep 0.4
}
fly W up
[ "$fly_dy" -ge 15 ] && [ "${fly_dx#-}" -le $((fly_dy / 2)) ] &&
    pass "W moves the camera up (the cube moved $fly_dy pixels down)" ||
    fail "W did not move the camera up (cube moved by ($fly_dx, $fly_dy))"
fly S down
[ "$fly_dy" -le -15 ] && [ "${fly_dx#-}" -le $((-fly_dy / 2)) ] &&
    pass "S moves the camera down (the cube moved ${fly_dy#-} pixels up)" ||
    fail "S did not move the camera down (cube moved by ($fly_dx, $fly_dy))"
fly d right
[ "$fly_dx" -le -15 ] && [ "${fly_dy#-}" -le $((-fly_dx / 2)) ] &&
    pass "d moves the camera right (the cube moved ${fly_dx#-} pixels left)" ||
    fail "d did not move the camera right (cube moved by ($fly_dx, $fly_dy))"
fly A left
[ "$fly_dx" -ge 15 ] && [ "${fly_dy#-}" -le $((fly_dx / 2)) ] &&
    pass "A moves the camera left (the cube moved $fly_dx pixels right)" ||
    fail "A did not move the camera left (cube moved by ($fly_dx, $fly_dy))"

drag 700 600 700 570
sleep 0.4
shot tilted
read -r tilted_n _ tilted_y <<<"$(centroid "$work/tilted.png" $SCENE "$THING")"
if [ "$tilted_n" -ge 3000 ] && [ $((tilted_y - before_y)) -ge 60 ]; then
    pass "dragging up tilts the view up (cube from y $before_y to $tilted_y)"
else
    fail "dragging up did not tilt the view up (cube from y $before_y to $tilted_y, $tilted_n pixels)"
fi
timeout 10 xdotool mousemove --window "$window" 900 740
# The eye has not moved, so turning towards the origin is the start view again.
key o p
poll 5 home_again && pass "o turns the view back towards the origin" ||
    fail "o did not turn the view back towards the origin ($home pixels differ)"

# Arrow and function keys have no command.
key Left Up F1 F5
sleep 0.4
poll 5 home_again && pass "arrow and function keys change nothing" ||
    fail "an arrow or function key changed the view ($home pixels differ)"

# ---------------------------------------------------------------------------------------
# Loading. 2 puts the bunny beside the origin towards +z (the left of the view), 1 the
# triangle towards -z (the lower right).
console_before_loading=$(cat "$work/main-stdout.txt")
[ -z "$console_before_loading" ] && pass "nothing was written to standard output before loading" ||
    fail "unexpected standard output before loading: $console_before_loading"
[ -s "$work/main-stderr.txt" ] && fail "unexpected standard error before loading: $(cat "$work/main-stderr.txt")"

BUNNY="20 100 300 450"  # the bunny's body and head
TRIANGLE="740 450 70 95" # the triangle
GREENISH='g>r+40 && g>b+20'
REDDISH='r>g+40'
bunny_area=$(count "$work/home.png" $BUNNY "$THING")
triangle_area=$(count "$work/home.png" $TRIANGLE "$THING")
key 2
bunny_loaded() {
    shot bunny
    bunny=$(count "$work/bunny.png" $BUNNY "$THING")
    [ "$bunny" -ge 81000 ] && grep -q "The genus of the mesh is:" "$work/main-stdout.txt"
}
if poll 90 bunny_loaded; then
    pass "2 shows the bunny on the left ($bunny of 135000 pixels, $bunny_area before)"
else
    fail "2 did not show the bunny on the left ($bunny of 135000 pixels)"
fi
green=$(count "$work/bunny.png" $BUNNY "$GREENISH")
red=$(count "$work/bunny.png" $BUNNY "$REDDISH")
[ "$green" -ge 1000 ] && [ "$red" -ge 1000 ] &&
    pass "the bunny is coloured by its normals ($green greenish and $red reddish pixels)" ||
    fail "the bunny's colours do not vary with its normals ($green greenish, $red reddish pixels)"

if grep -Eq '^The area of the mesh is: [0-9]+(\.[0-9]+)?$' "$work/main-stdout.txt" &&
    ! grep -q '^The area of the mesh is: 0$' "$work/main-stdout.txt"; then
    pass "2 prints the area: $(grep '^The area' "$work/main-stdout.txt")"
else
    fail "2 did not print a positive area on standard output"
fi
if [ "$(grep -c '^The genus of the mesh is: ' "$work/main-stdout.txt")" -eq 1 ] &&
    grep -qx 'The genus of the mesh is: 0' "$work/main-stdout.txt"; then
    pass "2 prints the genus 0"
else
    fail "2 did not print the genus 0: $(grep 'genus' "$work/main-stdout.txt")"
fi
[ "$(wc -l <"$work/main-stdout.txt")" -eq 2 ] && pass "2 prints two lines on standard output" ||
    fail "2 printed other than the area and genus lines on standard output"
expected_validation="Loading half edge mesh...
Done with edge check (checked 11022 edges)
Done with face check (checked 3674 faces)
Done with vertex check (checked 1839 vertices)
Looping through triangle neighborhood of each vertex... 
Done: 0 isolated vertices found"
if [ "$(cat "$work/main-stderr.txt")" = "$expected_validation" ]; then
    pass "2 writes the loading line and a validation report without problems to standard error"
else
    fail "the loading and validation lines on standard error are not the expected ones"
    diff <(echo "$expected_validation") "$work/main-stderr.txt"
fi

key 1
triangle_loaded() {
    shot loaded
    triangle=$(count "$work/loaded.png" $TRIANGLE "$THING")
    [ "$triangle" -ge 300 ]
}
poll 20 triangle_loaded &&
    pass "1 shows the triangle on the lower right ($triangle pixels, $triangle_area before)" ||
    fail "1 did not show the triangle on the lower right ($triangle pixels)"
if [ "$(tail -n 1 "$work/main-stderr.txt")" = "Loading mesh..." ] &&
    [ "$(wc -l <"$work/main-stdout.txt")" -eq 2 ]; then
    pass "1 writes \"Loading mesh...\" to standard error and nothing to standard output"
else
    fail "1 wrote other lines than \"Loading mesh...\" to standard error"
fi
bunny_still=$(count "$work/loaded.png" $BUNNY "$THING")
[ "$bunny_still" -ge 81000 ] && pass "the bunny stays in the scene" ||
    fail "the bunny left the scene after 1 ($bunny_still pixels)"

key m
mesh_outlines() {
    shot meshlines
    bunny_lines=$(count "$work/meshlines.png" $BUNNY "$THING")
    bunny_sky=$(count "$work/meshlines.png" $BUNNY "$SKY")
    [ "$bunny_lines" -ge 5000 ] && [ "$bunny_lines" -le $((bunny * 3 / 5)) ] &&
        [ "$bunny_sky" -ge 20000 ]
}
poll 10 mesh_outlines &&
    pass "m draws the meshes as outlines ($bunny_lines line pixels, $bunny_sky sky pixels show through)" ||
    fail "m did not draw the bunny as outlines ($bunny_lines of $bunny pixels, $bunny_sky sky)"
key n
mesh_filled() {
    shot meshfilled
    bunny_fill=$(count "$work/meshfilled.png" $BUNNY "$THING")
    [ "$bunny_fill" -ge $((bunny * 9 / 10)) ]
}
poll 10 mesh_filled && pass "n fills the meshes again" ||
    fail "n did not fill the bunny again ($bunny_fill of $bunny pixels)"

# Eight jumps back with the comma bring the whole bunny into view (the picture in the
# README).
key comma comma comma comma comma comma comma comma
overview() {
    shot overview
    left_edge=$(count "$work/overview.png" 0 60 100 700 "$THING")
    whole_bunny=$(count "$work/overview.png" 120 80 300 460 "$THING")
    [ "$left_edge" -le 100 ] && [ "$whole_bunny" -ge 50000 ]
}
poll 10 overview && pass "comma moves the eye back until the whole bunny is in view" ||
    fail "the bunny is not whole in view after eight commas ($left_edge pixels at the left edge, $whole_bunny in the middle)"

# ---------------------------------------------------------------------------------------
quit

# Started where there is no Objs/ directory, 1 and 2 say which file they could not open,
# add nothing and the viewer runs on.
mkdir -p "$work/elsewhere"
start_viewer "$work/elsewhere" missing
poll 10 start_state || fail "the viewer started elsewhere does not show its start state"
key 1 2
sleep 1
shot missing
if [ "$(cat "$out")" = "Could not open file [Objs/triangle.obj]
Could not open file [Objs/bunnySmall.obj]" ] && alive; then
    pass "1 and 2 report a missing file on standard output and the viewer runs on"
else
    fail "1 and 2 with missing files: $(cat "$out")"
fi
nothing=$(differing "$work/start.png" "$work/missing.png" $GRID)
nothing_bunny=$(count "$work/missing.png" $BUNNY "$THING")
[ "$nothing" -le 300 ] && [ "$nothing_bunny" -le 1000 ] &&
    pass "a file that could not be opened adds nothing to the scene" ||
    fail "something was drawn after a failed load ($nothing, $nothing_bunny pixels)"
quit
[ "$(cat "$err")" = "Loading mesh...
Loading half edge mesh..." ] && pass "the loading lines still go to standard error" ||
    fail "unexpected standard error after failed loads: $(cat "$err")"

for f in "$work"/*-stdout.txt "$work"/*-stderr.txt; do
    echo "--- $(basename "$f")"
    cat "$f"
done
echo "---"
echo "$passes passed, $failures failed"
[ "$failures" -eq 0 ]
