#!/usr/bin/env bash
# Without a display the viewer says so in one line and exits with a failure status, instead
# of hanging or crashing inside GLUT.
#   tests/e2e/no_display.sh PATH/TO/MeshViewer
set -uo pipefail
viewer=${1:?usage: no_display.sh PATH/TO/MeshViewer}
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

[ "$failures" -eq 0 ]
