#!/usr/bin/env bash
# How many ~50 KB item pages marketsim answers per second on one core.
#   bench/marketsim/load.sh [SECONDS] [CLIENT_THREADS] [RUNS]
# marketsim is pinned to CPU 0 and the client to CPU 1 (when taskset and a
# second CPU exist). Prints, per run, the answers per second of wall time and
# per second of CPU time the server used, then the medians.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${BUILD:-build}"
seconds="${1:-5}"
clients="${2:-4}"
runs="${3:-3}"
cmake --build "$build" --target marketsim marketsim_load >/dev/null
ms="$build/tools/marketsim/marketsim"
load="$build/bench/marketsim/marketsim_load"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

shops=(--shop kind=taobao-async,host=load.taobao.com,items=2000,seed=1
       --shop kind=tmall-async,host=load.tmall.com,items=2000,seed=2)
"$ms" "${shops[@]}" --dump-expected |
  python3 -c 'import json,sys
for s in json.load(sys.stdin)["shops"]:
    for r in s["rows"]:
        u = r[7].replace("https://", "http://")
        print(u)' > "$work/urls"

pin_server=() pin_client=()
if command -v taskset >/dev/null && [ "$(nproc)" -ge 2 ]; then
  pin_server=(taskset -c 0) pin_client=(taskset -c 1)
fi

cpu_seconds() {  # utime + stime of a process, in seconds
  awk -v hz="$(getconf CLK_TCK)" '{ sub(/.*\) /, ""); print ($12 + $13) / hz }' "/proc/$1/stat"
}

walls=() cpus=()
for run in $(seq "$runs"); do
  coproc SERVER { exec "${pin_server[@]}" "$ms" --threads 8 --lifetime $((seconds + 60)) "${shops[@]}" 2>/dev/null; }
  read -r port <&"${SERVER[0]}"
  pid=$SERVER_PID
  before=$(cpu_seconds "$pid")
  result=$("${pin_client[@]}" "$load" "$port" "$seconds" "$clients" "$work/urls")
  after=$(cpu_seconds "$pid")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  answers=$(echo "$result" | awk '{print $2}')
  wall=$(echo "$result" | awk '{print $8}')
  cpu=$(awk -v a="$answers" -v b="$before" -v c="$after" 'BEGIN { printf "%.0f", (c > b) ? a / (c - b) : 0 }')
  echo "run $run: $result server_cpu_s $(awk -v b="$before" -v c="$after" 'BEGIN{printf "%.2f", c-b}') answers_per_cpu_s $cpu"
  walls+=("$wall") cpus+=("$cpu")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
echo "median answers/s (server on one core): $(median "${walls[@]}")"
echo "median answers per server CPU second:  $(median "${cpus[@]}")"
