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
usage='usage: MeshViewer \[OPTIONS\] \[FILE.obj ...\]'
cli "--help" 0 out "$usage*--no-cache*Keys:*  c  *  f  *" --help
cli "--version" 0 out "MeshViewer [0-9]*.[0-9]*.[0-9]*" --version
cli "unknown option" 2 err "MeshViewer: unknown option --fly
$usage" good.obj --fly
cli "missing file" 1 err "MeshViewer: nothere.obj: cannot open: No such file or directory" nothere.obj
cli "directory" 1 err "MeshViewer: folder: cannot open: Is a directory" folder
cli "no positions" 1 err "MeshViewer: empty.obj: no vertex data*" empty.obj
cli "no triangles" 1 err "MeshViewer: nofaces.obj: no triangles" nofaces.obj
cli "rejected, escaped" 1 err 'MeshViewer: escape.obj: *\\x1b\[31m*' escape.obj

[ "$failures" -eq 0 ]
