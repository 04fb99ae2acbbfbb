#!/usr/bin/env bash
# Fails unless the compiled program still prefetches where the code asks it to. GCC counts a
# function whose only effect is a prefetch pure: unless such a function is inlined first,
# its prefetch or every call to it is dropped, silently, and only the speed shows it. So
# the loops that prefetch must contain prefetch instructions, and so must every function
# left out of line with "prefetch" in its name (the Mesh base class's are empty on purpose).
#   tools/check_prefetch.sh PROGRAM
set -euo pipefail
objdump -d --no-show-raw-insn -C "$1" | awk '
    BEGIN {
        split("Mesh::addTriangles HalfEdgeMesh::addTriangles HalfEdgeMesh::validation " \
              "HalfEdgeMesh::calculateVertexNormals MeshAnalysis::analyse", loops, " ")
        for (i in loops) { required["<" loops[i] "("] = 1; seen["<" loops[i] "("] = 0 }
    }
    /^[0-9a-f]+ <.*>:$/ {
        current = ""
        for (r in required)
            if (index($0, r) > 0) current = r
        symbol = $0
        sub(/\(.*/, "", symbol) # the name without its parameters
        if (current == "" && tolower(symbol) ~ /prefetch/ && symbol !~ /<Mesh::/) {
            current = $0
            required[current] = 1; seen[current] = 0
        }
        next
    }
    current != "" && /prefetch(t0|t1|t2|nta|w) / { seen[current] = 1 }
    END {
        for (r in required)
            if (!seen[r]) { print "no prefetch instruction in " r; bad = 1 }
        exit bad
    }'
