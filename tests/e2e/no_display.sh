#!/usr/bin/env bash
# Without a display the viewer says so in one line and exits with a failure status, instead
# of hanging or crashing inside GLUT.
#   tests/e2e/no_display.sh PATH/TO/MeshViewer
set -uo pipefail
viewer=${1:?usage: no_display.sh PATH/TO/MeshViewer}
viewer=$(cd "$(dirname "$viewer")" && pwd)/$(basename "$viewer")
failures=0

# run NAME EXPECTED-TEXT COMMAND...: the command must fail within 20 seconds, print
# exactly one line on standard error containing the text, and nothing on standard output.
run() {
    local name=$1 expected=$2
    shift 2
    local out err status
    out=$(mktemp)
    err=$(mktemp)
    timeout 20 "$@" >"$out" 2>"$err" </dev/null
    status=$?
    if [ "$status" -ne 0 ] && [ "$status" -ne 124 ] && [ "$(wc -l <"$err")" -eq 1 ] &&
        grep -qF "$expected" "$err" && [ ! -s "$out" ]; then
        echo "ok   - $name: status $status, \"$(cat "$err")\""
    else
        echo "FAIL - $name: status $status, standard error:"
        cat "$err"
        failures=$((failures + 1))
    fi
    rm -f "$out" "$err"
}

run "DISPLAY not set" \
    "Mesh Viewer needs a graphical display (X11); none found (DISPLAY is not set)" \
    env -u DISPLAY "$viewer"
run "DISPLAY empty" "none found (DISPLAY is empty)" env DISPLAY= "$viewer"
# A display number that no server serves (X servers use a few numbers from 0 up).
run "no server on the display" 'cannot open display ":65000"' env DISPLAY=:65000 "$viewer"
run "GLUT's -display option" 'cannot open display ":65001"' \
    env -u DISPLAY "$viewer" -display :65001

# The command line: help, version, usage errors and files that cannot be read end the
# program before any display is looked for.
#   cli NAME STATUS STREAM PATTERN ARGS...: the exit status, the whole of one stream
#   against a shell pattern, and the other stream empty.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cli() {
    local name=$1 status=$2 stream=$3 expected=$4 got
    shift 4
    (cd "$dir" && env -u DISPLAY timeout 20 "$viewer" "$@" >out 2>err </dev/null)
    got=$?
    local other=err
    [ "$stream" = err ] && other=out
    if [ "$got" -eq "$status" ] && [[ "$(cat "$dir/$stream")" == $expected ]] && [ ! -s "$dir/$other" ]; then
        echo "ok   - $name: status $got"
    else
        echo "FAIL - $name: status $got, standard output and error:"
        cat "$dir/out" "$dir/err"
        failures=$((failures + 1))
    fi
}
mkdir "$dir/folder"
: >"$dir/empty.obj"
echo 'v 1 2 3' >"$dir/nofaces.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 \033[31m\n' >"$dir/escape.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' >"$dir/good.obj"
usage='usage: MeshViewer \[OPTIONS\] \[FILE.obj|.stl|.ply|.off ...\]'
cli "--help" 0 out "$usage*OBJ, STL (binary or ASCII), PLY and OFF*--no-cache*Keys and mouse:*  c  *  f  *  l  *bounding box*  r  *reread*  g  *spinning cube*drag*wheel*click*Mouse: a drag*" --help
cli "--version" 0 out "MeshViewer [0-9]*.[0-9]*.[0-9]*" --version
cli "unknown option" 2 err "MeshViewer: unknown option --fly
$usage" good.obj --fly
cli "missing file" 1 err "MeshViewer: nothere.obj: cannot open: No such file or directory" nothere.obj
cli "directory" 1 err "MeshViewer: folder: cannot open: Is a directory" folder
cli "no positions" 1 err "MeshViewer: empty.obj: no vertex data*" empty.obj
cli "no triangles" 1 err "MeshViewer: nofaces.obj: no triangles" nofaces.obj
cli "rejected, escaped" 1 err 'MeshViewer: escape.obj: *\\x1b\[31m*' escape.obj
# Pictures without a display: the surface opens while a small file loads, after a large one.
truncate -s 70M "$dir/large.obj" # zeros: a binary STL of 0 triangles, too long
for f in nothere.obj escape.obj large.obj; do
    cli "--screenshot, $f unread" 1 err "MeshViewer: $f: *" --screenshot s.png "$f"
done
for bad in "1" "2 1" "x 1" "1 nan"; do
    # shellcheck disable=SC2086
    cli "--curvature-range $bad" 2 err "MeshViewer: --curvature-range needs two numbers, the first below the second
$usage" --curvature-range $bad good.obj
done
cli "--screenshot-dir without files" 2 err "MeshViewer: --screenshot-dir needs files
$usage" --screenshot-dir pics
cli "--screenshot with --screenshot-dir" 2 err "MeshViewer: --screenshot and --screenshot-dir exclude each other
$usage" --screenshot-dir pics --screenshot a.png good.obj

# Leak checking of sanitizer builds is off for the off-screen runs: the Mesa driver holds
# memory at exit, as in the end-to-end test.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
# Pictures need no display: drawn off screen, in the size -geometry gives; names are taken
# from MV_CALLER_DIR when it is set (run.sh), a picture per file with --screenshot-dir.
mkdir -p "$dir/caller/sub" "$dir/elsewhere" && cp "$dir/good.obj" "$dir/caller/sub/good.obj"
cp "$dir/good.obj" "$dir/caller/sub/two.obj" && cp "$dir/good.obj" "$dir/caller/good.ply.obj"
picture() { identify -format '%wx%h' "$1" 2>/dev/null; }
(cd "$dir/elsewhere" && env -u DISPLAY MV_CALLER_DIR="$dir/caller" timeout 60 "$viewer" -geometry 320x200 \
    --screenshot shot.png sub/good.obj >out 2>err </dev/null)
got=$?
if [ "$got" -eq 0 ] && [ "$(picture "$dir/caller/shot.png")" = 320x200 ] && [ ! -e "$dir/elsewhere/shot.png" ] &&
    [ "$(head -n 1 "$dir/elsewhere/out")" = "File: sub/good.obj" ] && [ "$(head -n 1 "$dir/elsewhere/err")" = "Loading half edge mesh..." ]; then
    echo "ok   - --screenshot without a display writes the caller's shot.png"
else
    echo "FAIL - --screenshot without a display: status $got" && cat "$dir/elsewhere/err"
    failures=$((failures + 1))
fi
# Curvature: vertices without a value summed up in one line, the library's own line for
# each only with --verbose; the colour range from the data or from --curvature-range.
curvature() { (cd "$dir" && env -u DISPLAY timeout 60 "$viewer" --screenshot k.png "$@" good.obj >out 2>err </dev/null); }
curvature --curvature
k1=$(grep "^Curvature" "$dir/out") e1=$(cat "$dir/err")
curvature --verbose --curvature-range -2 4
if [ "$k1" = "Curvature: min 0, max 0, 3 of 3 vertices without a value
Curvature colours: red at -1, black at 0, blue at 1 (the 98th percentile of |H|)" ] && [ "$e1" = "Loading mesh..." ] &&
    [ "$(grep "^Curvature colours" "$dir/out")" = "Curvature colours: red at -2, black at 1, blue at 4 (--curvature-range)" ] &&
    [ "$(grep -c '^virtual float SimpleMesh::curvature(.*failed at vertex [012]$' "$dir/err")" -eq 3 ]; then
    echo "ok   - --curvature sums up the vertices without a value; --verbose adds the library's lines"
else
    echo "FAIL - --curvature: $k1 / $e1" && cat "$dir/out" "$dir/err"
    failures=$((failures + 1))
fi
(cd "$dir/caller" && env -u DISPLAY timeout 60 "$viewer" --screenshot-dir pics sub/good.obj good.ply.obj sub/two.obj \
    nothere.obj sub/good.obj >out 2>err </dev/null)
got=$?
saved=$(grep "^Saved " "$dir/caller/out")
if [ "$got" -eq 1 ] && [ "$saved" = "Saved pics/good.png
Saved pics/good.ply.png
Saved pics/two.png
Saved pics/good-2.png" ] && [ "$(picture "$dir/caller/pics/good-2.png")" = 1024x768 ] &&
    grep -qx "MeshViewer: nothere.obj: cannot open: No such file or directory" "$dir/caller/err"; then
    echo "ok   - --screenshot-dir writes a picture per file, goes on past a bad one and ends with status 1"
else
    echo "FAIL - --screenshot-dir: status $got, $saved" && cat "$dir/caller/err"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
