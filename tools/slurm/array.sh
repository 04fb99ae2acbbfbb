#!/usr/bin/env bash
# One task of a Slurm array job over a list of mesh files (one name a line): task K of N
# reads the K-th of N consecutive shares of the list with meshinfo and writes
# PARTS/K.jsonl (JSON Lines), PARTS/K.err (the lines of rejected files) and PARTS/K.status
# (meshinfo's exit status: 0, or 1 when a file was rejected). tools/slurm/merge.sh joins the
# parts in the list's order.
#   sbatch --array=0-99 --cpus-per-task=8 tools/slurm/array.sh LIST PARTS [MESHINFO]
# LIST and PARTS must be seen by every node (a shared file system), as the mesh files.
set -euo pipefail
list=$1 parts=$2 meshinfo=${3:-meshinfo}
task=$((${SLURM_ARRAY_TASK_ID:?run me through sbatch --array} - ${SLURM_ARRAY_TASK_MIN:-0}))
tasks=${SLURM_ARRAY_TASK_COUNT:?run me through sbatch --array}

lines=$(grep -c '' "$list" || true)
first=$((task * lines / tasks + 1)) last=$(((task + 1) * lines / tasks))
mkdir -p "$parts"
sed -n "${first},${last}p" "$list" >"$parts/$task.list"
status=0
"$meshinfo" --jsonl --quiet -j "${SLURM_CPUS_PER_TASK:-1}" --files-from "$parts/$task.list" \
    >"$parts/$task.jsonl.part" 2>"$parts/$task.err" || status=$?
[ "$status" -le 1 ] || { cat "$parts/$task.err" >&2; exit "$status"; }
mv "$parts/$task.jsonl.part" "$parts/$task.jsonl"
echo "$status" >"$parts/$task.status"
