#!/usr/bin/env bash
# Builds the benchmarks (Release), generates the trees, prints the tables of
# bench/README.md and deletes the trees again.
#
# Usage: bench/run.sh [BUILD_DIR [BASELINE_BUILD_DIR]]
#   BUILD_DIR           default build-bench; configured as Release when new
#   BASELINE_BUILD_DIR  a build folder of another commit (scan_bench and
#                       corvane-find built there): its commands run in the same
#                       rounds, side by side, so that both meet the same load
# Environment: ROUNDS (default 7), SKIP_MILLION=1 leaves out the 1,000,000-file
# tree (about 10 minutes of creating and deleting files).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
base=${2:-}
rounds=${ROUNDS:-7}
if [[ ! -f $build/build.ninja ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" make_tree walk_bench scan_bench corvane-find >/dev/null
bin=$build/bin
if [[ -n $base ]]; then
    ninja -C "$base" scan_bench corvane-find >/dev/null
fi
trees=$build/bench-trees
rm -rf "$trees"
mkdir -p "$trees"
trap 'rm -rf "$trees"' EXIT

# Median of the numbers on stdin, three decimals.
median() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'
}

# The commands timed on each tree: a name, then the command line.
commands() {
    local tree=$1
    echo "find|find $tree -type f -printf '%s %p\\n'"
    echo "walk|$bin/walk_bench $tree"
    echo "scan|$bin/scan_bench $tree"
    echo "cf|$bin/corvane-find --quiet --format tsv $tree"
    if [[ -n $base ]]; then
        echo "scan-before|$base/bin/scan_bench $tree"
        echo "cf-before|$base/bin/corvane-find --quiet --format tsv $tree"
    fi
}

# Runs every command once per round, in turn, so that a change in the
# machine's load falls on all of them alike; prints one table row per
# command: median wall time, median CPU time (user + system), ratio to find.
measure() {
    local tree=$1 label=$2 name command
    declare -A wall cpu
    while IFS='|' read -r name command; do
        eval "$command" >/dev/null 2>&1 || true  # warm the cache once with every reader
    done < <(commands "$tree")
    for ((round = 0; round < rounds; round++)); do
        while IFS='|' read -r name command; do
            /usr/bin/time -o "$trees/time.txt" -f '%e %U %S' bash -c "$command" >/dev/null 2>&1 || true
            read -r w c < <(awk '{ print $1, $2 + $3 }' "$trees/time.txt")
            wall[$name]+="$w "
            cpu[$name]+="$c "
        done < <(commands "$tree")
    done
    local find_wall find_cpu
    find_wall=$(tr ' ' '\n' <<<"${wall[find]}" | grep . | median)
    find_cpu=$(tr ' ' '\n' <<<"${cpu[find]}" | grep . | median)
    while IFS='|' read -r name command; do
        local w c
        w=$(tr ' ' '\n' <<<"${wall[$name]}" | grep . | median)
        c=$(tr ' ' '\n' <<<"${cpu[$name]}" | grep . | median)
        echo "| $label | $name | $w s | $(echo "scale=2; $w / $find_wall" | bc)x | $c s | $(echo "scale=2; $c / $find_cpu" | bc)x |"
    done < <(commands "$tree")
}

if ninja -C "$build" phase2_bench >/dev/null 2>&1; then
    "$bin/phase2_bench" --runs 3 --check 3000 50000 200000
else
    echo "(phase2_bench does not build here: left out)"
fi
echo

tree=$trees/t200k
"$bin/make_tree" "$tree" 200000 20000
echo "Medians of $rounds interleaved rounds; ratios to find on the same tree."
echo
echo "| tree | command | wall | wall / find | CPU | CPU / find |"
echo "|---|---|---|---|---|---|"
measure "$tree" "200,000 files"
measure /usr "/usr ($(find /usr -type f | wc -l) files)"
echo
echo "200,000-file tree: $("$bin/corvane-find" --quiet --format tsv "$tree" | wc -l) rows"
rm -rf "$tree"

if [[ -z ${SKIP_MILLION:-} ]]; then
    tree=$trees/t1m
    "$bin/make_tree" "$tree" 1000000 100000
    echo
    echo "| 1,000,000 files in 100,000 folders | wall (m:ss) | peak memory (/usr/bin/time -v) |"
    echo "|---|---|---|"
    for program in "$bin" ${base:+"$base/bin"}; do
        for command in "scan_bench $tree" "corvane-find --quiet --format tsv $tree"; do
            /usr/bin/time -v $program/$command >/dev/null 2>"$trees/time.txt" || true
            peak_kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$trees/time.txt")
            elapsed=$(awk -F': ' '/Elapsed \(wall clock\)/ { print $2 }' "$trees/time.txt")
            echo "| $program/${command%% *} | $elapsed | $((peak_kb / 1024)) MB |"
        done
    done
fi
