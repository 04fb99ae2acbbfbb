#!/usr/bin/env bash
# Joins the parts of tools/slurm/array.sh in the order of its list: the JSON Lines of all
# tasks on standard output, byte for byte those of one meshinfo run over the list (timings
# aside), and their rejected files' lines on standard error. Exit status as meshinfo's:
# 0, or 1 when a file was rejected; 2 when a task has not finished.
#   tools/slurm/merge.sh PARTS TASKS > all.jsonl
set -euo pipefail
parts=$1 tasks=$2
status=0
for ((task = 0; task < tasks; task++)); do
    if [ ! -f "$parts/$task.status" ]; then
        echo "merge.sh: task $task has not finished (no $parts/$task.status)" >&2
        exit 2
    fi
    [ "$(cat "$parts/$task.status")" = 0 ] || status=1
done
for ((task = 0; task < tasks; task++)); do
    cat "$parts/$task.jsonl"
    cat "$parts/$task.err" >&2
done
exit "$status"
