#!/usr/bin/env bash
# tools/slurm on a real one-node Slurm cluster: installs Slurm and munge when missing,
# starts munged, slurmctld and slurmd (own key, socket, ports, state; no systemd), runs the
# array job over a generated collection with a few bad files, and compares the merge with
# one local meshinfo run. Every daemon started here is stopped again, also on failure.
#   tests/slurm/array_job.sh MESHINFO       (exit 77: skipped, not root)
set -uo pipefail
meshinfo=$(realpath "$1")
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
tasks=4
if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: only root can install Slurm and munge and start their daemons"
    exit 77
fi
fail() { echo "FAIL: $*" >&2; for f in "$tmp"/*.log; do echo "--- $f" >&2; tail -5 "$f" >&2; done; exit 1; }

missing=()
for p in slurmctld slurmd slurm-client munge; do
    dpkg-query -W -f '${Status}' "$p" 2>/dev/null | grep -q '^install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing ${missing[*]}"
    # Keep the packages from starting daemons of their own: ours below run by PID.
    policy=""
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        policy=/usr/sbin/policy-rc.d
        printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod 755 "$policy"
    fi
    export DEBIAN_FRONTEND=noninteractive
    install=(timeout 300 apt-get install -y -qq --no-install-recommends "${missing[@]}")
    "${install[@]}" >/dev/null 2>&1 || { timeout 120 apt-get update -qq && "${install[@]}" >/dev/null; }
    installed=$?
    [ -z "$policy" ] || rm -f "$policy"
    [ $installed -eq 0 ] || { echo "FAIL: apt-get install ${missing[*]}" >&2; exit 1; }
fi

tmp=$(mktemp -d) && chmod 0755 "$tmp" # munged wants its socket reachable
pids=()
job=""
stop() {
    [ -z "$job" ] || timeout 5 scancel "$job" 2>/dev/null
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null
        for _ in $(seq 50); do kill -0 "${pids[i]}" 2>/dev/null || break; sleep 0.1; done
        kill -9 "${pids[i]}" 2>/dev/null
    done
    rm -rf "$tmp"
}
trap stop EXIT

# munged: its own key (0400 in a 0700 folder), socket folder (0755), pid, log and seed.
mkdir -m 0700 "$tmp/key" && mkdir -m 0755 "$tmp/run" && mkdir "$tmp/state" "$tmp/spool"
head -c 1024 /dev/urandom >"$tmp/key/munge.key" && chmod 0400 "$tmp/key/munge.key"
socket=$tmp/run/munge.socket
munged -F --key-file="$tmp/key/munge.key" --socket="$socket" --pid-file="$tmp/munged.pid" \
    --log-file="$tmp/munged.log" --seed-file="$tmp/munged.seed" >>"$tmp/munged.log" 2>&1 &
pids+=($!)

free_port() {
    local port
    while port=$((20000 + RANDOM % 20000)); (: </dev/tcp/127.0.0.1/$port) 2>/dev/null; do :; done
    echo "$port"
}
node=$(hostname -s)
export SLURM_CONF=$tmp/slurm.conf
cat >"$SLURM_CONF" <<EOF
ClusterName=meshinfo
SlurmctldHost=$node(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
AuthType=auth/munge
AuthInfo=socket=$socket
CredType=cred/munge
StateSaveLocation=$tmp/state
SlurmdSpoolDir=$tmp/spool
SlurmctldPidFile=$tmp/slurmctld.pid
SlurmdPidFile=$tmp/slurmd.pid
SlurmctldLogFile=$tmp/slurmctld.log
SlurmdLogFile=$tmp/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
MailProg=/bin/true
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
NodeName=$node NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=local Nodes=$node Default=YES MaxTime=INFINITE State=UP OverSubscribe=FORCE:2
EOF
for _ in $(seq 50); do [ -S "$socket" ] && break; sleep 0.1; done
[ -S "$socket" ] || fail "munged did not start"
slurmctld -D -i >>"$tmp/slurmctld.log" 2>&1 &
pids+=($!)
slurmd -D >>"$tmp/slurmd.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
    [ "$(timeout 5 sinfo -h -o %T 2>/dev/null)" = idle ] && break
    sleep 0.2
done
[ "$(timeout 5 sinfo -h -o %T 2>/dev/null)" = idle ] || fail "the node did not become idle"

# 240 tetrahedra of different sizes (OBJ, OFF, some gzipped) and five bad files.
data=$tmp/data
mkdir "$data"
awk -v dir="$data" 'BEGIN {
    for (i = 0; i < 240; i++) {
        s = 1 + i / 8; off = i % 3 == 0; f = sprintf("%s/m%03d.%s", dir, i, off ? "off" : "obj")
        if (off) printf "OFF\n4 4 0\n0 0 0\n%g 0 0\n0 %g 0\n0 0 %g\n3 0 2 1\n3 0 1 3\n3 0 3 2\n3 1 2 3\n", s, s, s > f
        else printf "v 0 0 0\nv %g 0 0\nv 0 %g 0\nv 0 0 %g\nf 1 3 2\nf 1 2 4\nf 1 4 3\nf 2 3 4\n", s, s, s > f
        close(f)
    }
}'
gzip "$data"/m*5.obj
echo "# nothing" >"$data/bad1.obj"
head -c 40 "$data/m005.obj.gz" >"$data/bad2.obj.gz"
printf '\xfd7zXZ\0' >"$data/bad3.obj"
printf 'f 1 2 3\n' >"$data/bad4.obj"
mkdir "$data/bad5.obj"
{ find "$data" -name '*.obj' -o -name '*.off' -o -name '*.gz'; echo "$data/missing.obj"; } |
    LC_ALL=C sort >"$tmp/list"

"$meshinfo" --jsonl --quiet -j 2 --files-from "$tmp/list" >"$tmp/local.jsonl" 2>"$tmp/local.err"
[ $? -eq 1 ] || fail "a local run over files with bad ones must exit 1"
job=$(timeout 10 sbatch --parsable --array=0-$((tasks - 1)) --output="$tmp/task-%a.log" \
    "$root/tools/slurm/array.sh" "$tmp/list" "$tmp/parts" "$meshinfo") || fail "sbatch"
for _ in $(seq 300); do
    [ -z "$(timeout 5 squeue -h -j "$job" 2>/dev/null)" ] && break
    sleep 0.1
done
[ -z "$(timeout 5 squeue -h -j "$job" 2>/dev/null)" ] || fail "the array job did not end in 30 s"
job=""
"$root/tools/slurm/merge.sh" "$tmp/parts" "$tasks" >"$tmp/merged.jsonl" 2>"$tmp/merged.err"
[ $? -eq 1 ] || fail "the merge must exit 1 over files with bad ones"
untimed() { sed 's/,"timings_ms": {[^}]*}//' "$1"; }
cmp <(untimed "$tmp/local.jsonl") <(untimed "$tmp/merged.jsonl") || fail "JSON Lines differ"
cmp "$tmp/local.err" "$tmp/merged.err" || fail "the rejected files' lines differ"
read=$(wc -l <"$tmp/merged.jsonl") rejected=$(wc -l <"$tmp/merged.err")
if [ "$read" -ne 240 ] || [ "$rejected" -ne 6 ]; then fail "$read files read and $rejected rejected"; fi
echo "PASS: $tasks tasks, $read files read and $rejected rejected, as in one local run"
