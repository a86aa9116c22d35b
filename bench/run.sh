#!/usr/bin/env bash
# Builds the benchmarks, generates the trees, prints the table of bench/README.md
# and deletes the trees again. Usage: bench/run.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
if [[ ! -f $build/build.ninja ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
ninja -C "$build" phase2_bench make_tree walk_bench scan_bench corvane-find >/dev/null
bin=$build/bin
trees=$build/bench-trees
rm -rf "$trees"
mkdir -p "$trees"
trap 'rm -rf "$trees"' EXIT

# Wall time of one run of a command, in seconds; output thrown away.
wall_time() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}

# Median of the numbers on stdin, three decimals.
median() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'
}

echo "| what | time | notes |"
echo "|---|---|---|"
"$bin/phase2_bench" --runs 3 --check 3000 50000 200000

tree=$trees/t200k
"$bin/make_tree" "$tree" 200000 20000
# Warm the cache once with every reader.
find "$tree" -type f >/dev/null
"$bin/walk_bench" "$tree" >/dev/null
"$bin/corvane-find" --quiet --format tsv "$tree" >/dev/null || true
# Five rounds, each running every command once in turn, so that a change in
# the machine's load falls on all of them alike; each line is a median.
declare -A times
for _ in 1 2 3 4 5; do
    times[find]+="$(wall_time find "$tree" -type f -printf '%s %p\n') "
    times[walk]+="$(wall_time "$bin/walk_bench" "$tree") "
    times[scan]+="$(wall_time "$bin/scan_bench" "$tree") "
    times[cf]+="$(wall_time "$bin/corvane-find" --quiet --format tsv "$tree") "
    times[cf_exact]+="$(wall_time "$bin/corvane-find" --quiet --exact --format tsv "$tree") "
done
find_time=$(tr ' ' '\n' <<<"${times[find]}" | grep . | median)
walk_time=$(tr ' ' '\n' <<<"${times[walk]}" | grep . | median)
scan_time=$(tr ' ' '\n' <<<"${times[scan]}" | grep . | median)
cf_time=$(tr ' ' '\n' <<<"${times[cf]}" | grep . | median)
cf_exact_time=$(tr ' ' '\n' <<<"${times[cf_exact]}" | grep . | median)
rows=$("$bin/corvane-find" --quiet --format tsv "$tree" | wc -l || true)
echo "| phase 1 tree, 200,000 files in 20,000 folders: find -printf '%s %p' | $find_time s | warm cache; each line the median of 5 interleaved rounds |"
echo "| same tree: bare readdir + lstat walk | $walk_time s | |"
echo "| same tree: phase 1 alone (scan_bench: walk + catalogue, sizes recorded) | $scan_time s | $(echo "scale=2; $scan_time / $find_time" | bc)x find, $(echo "scale=2; $scan_time / $walk_time" | bc)x bare walk |"
echo "| same tree: corvane-find (exact + close, tsv) | $cf_time s | whole search, $rows rows; $(echo "scale=2; $cf_time / $find_time" | bc)x find, $(echo "scale=2; $cf_time / $walk_time" | bc)x bare walk |"
echo "| same tree: corvane-find --exact | $cf_exact_time s | |"
rm -rf "$tree"

tree=$trees/t1m
"$bin/make_tree" "$tree" 1000000 100000
"$bin/corvane-find" --quiet --format tsv "$tree" >/dev/null || true
/usr/bin/time -v "$bin/corvane-find" --quiet --format tsv "$tree" >/dev/null 2>"$trees/time.txt" || true
peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$trees/time.txt")
elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$trees/time.txt")
echo "| corvane-find, 1,000,000 files in 100,000 folders | $elapsed (m:ss) | peak memory $((peak_kb / 1024)) MB (/usr/bin/time -v) |"
