#!/usr/bin/env bash
# Same Contents against jdupes, rdfind and rmlint, side by side in one run,
# on a tree of real bytes (bench/make_same_tree: 100,000 files, about 2.3 GB,
# 30% renamed copies, 10% same-size near copies): warm medians, cold times
# (page cache dropped before each command), the bytes read against the least
# there is to read, a second run with the digest cache against the name
# search, the peak memory on a crowded tree of 1,000,000 files, and whether
# the groups equal jdupes' groups as sets.
#
# Usage: bench/same_contents_bench.sh [BUILD_DIR] [ROUNDS]
#   BUILD_DIR  a build folder (configured as Release when new; default build-bench)
#   ROUNDS     warm rounds, default 3
# Trees go to $BENCH_DATA (default /work/bench-data) and are removed at the
# end unless KEEP_TREE=1. Cold runs drop the page cache (root only; set
# COLD=0 to skip them). Needs jdupes, rdfind, rmlint (scripts/install-deps
# --bench).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
rounds=${2:-3}
data=${BENCH_DATA:-/work/bench-data}
tree=$data/same-tree
crowded=$data/crowded-tree
work=$data/work
for tool in jdupes rdfind rmlint python3; do
    command -v "$tool" >/dev/null || { echo "needs $tool (scripts/install-deps --bench)" >&2; exit 2; }
done
if [[ ! -f $build/build.ninja ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" corvane-find same_contents_bench make_same_tree make_crowded_tree >/dev/null
bin=$build/bin
mkdir -p "$data" "$work"
if [[ ${KEEP_TREE:-0} != 1 ]]; then
    trap 'rm -rf "$tree" "$crowded" "$work"' EXIT
fi
[[ -d $tree ]] || "$bin/make_same_tree" "$tree" >&2
cd "$work"

cf=("$bin/same_contents_bench" --no-cache "$tree")
cli=(env XDG_CACHE_HOME="$work/xdg-none" "$bin/corvane-find" --contents --no-cache --quiet --format tsv "$tree")
jd=(jdupes -r -q "$tree")
rd=(rdfind -dryrun true -outputname "$work/rd.txt" "$tree")
rl=(rmlint -T df -o "fdupes:$work/rl.out" "$tree")
names=("$bin/corvane-find" --quiet "$tree")
cached=("$bin/same_contents_bench" --cache-folder "$work/cache" "$tree")
cli_cached=(env XDG_CACHE_HOME="$work/xdg" "$bin/corvane-find" --contents --quiet --format tsv "$tree")

# One run: wall seconds; the command's output to $work/NAME.out.
run_time() {
    local name=$1
    shift
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" >"$work/$name.out" 2>"$work/$name.err" || true
    tail -n 1 "$work/time.txt" | cut -d' ' -f1  # GNU time puts a failure status first
}
median() { tr ' ' '\n' | grep . | sort -g | awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] }'; }
drop() { sync; echo 3 >/proc/sys/vm/drop_caches; }

# Warm: every file read once, then interleaved rounds.
find "$tree" -type f -print0 | xargs -0 cat >/dev/null
declare -A warm cold
for entry in cf cli jd rd rl names; do run_time "$entry" true >/dev/null; done
for ((round = 0; round < rounds; ++round)); do
    for entry in cf cli jd rd rl; do
        declare -n cmd=$entry
        warm[$entry]+="$(run_time "$entry" "${cmd[@]}") "
    done
    warm[names]+="$(run_time names "${names[@]}") "
done
for entry in cf cli jd rd rl names; do warm[$entry]=$(median <<<"${warm[$entry]}"); done
cf_stats=$(cat "$work/cf.err")

# The groups as sets: ours and jdupes' (a blank line after each group).
python3 - "$work/cf.out" "$work/jd.out" >"$work/compare.txt" <<'PY'
import sys
def groups(path):
    out, cur = set(), []
    for line in open(path, errors='surrogateescape'):
        line = line.rstrip('\n')
        if line:
            cur.append(line)
        elif cur:
            out.add(frozenset(cur)); cur = []
    if cur:
        out.add(frozenset(cur))
    return out
a, b = groups(sys.argv[1]), groups(sys.argv[2])
print(f"{len(a)} groups, jdupes {len(b)}: {'the same sets' if a == b else f'{len(a - b)} only ours, {len(b - a)} only jdupes'}")
PY

# The digest cache: a first run fills it, the second is timed beside the
# name search (corvane-find without --contents).
rm -rf "$work/cache" "$work/xdg"
run_time cached "${cached[@]}" >/dev/null
run_time cli_cached "${cli_cached[@]}" >/dev/null
cache_times="" name_times="" cli_cache_times=""
for ((round = 0; round < rounds; ++round)); do
    cache_times+="$(run_time cached "${cached[@]}") "
    cli_cache_times+="$(run_time cli_cached "${cli_cached[@]}") "
    name_times+="$(run_time names "${names[@]}") "
done
cache_time=$(median <<<"$cache_times")
cli_cache_time=$(median <<<"$cli_cache_times")
name_time=$(median <<<"$name_times")
cache_stats=$(cat "$work/cached.err")

if [[ ${COLD:-1} == 1 ]]; then
    for entry in cf cli jd rd rl; do
        declare -n cmd=$entry
        drop
        cold[$entry]=$(run_time "$entry" "${cmd[@]}")
    done
    cf_cold_stats=$(cat "$work/cf.err")
fi

# Peak memory on a crowded tree of a million files (most small, sparse).
[[ -d $crowded ]] || "$bin/make_crowded_tree" "$crowded" 1000000 >&2
run_time crowded "$bin/same_contents_bench" --no-cache "$crowded" >/dev/null
crowded_peak=$(tail -n 1 "$work/time.txt" | cut -d' ' -f2)
crowded_stats=$(cat "$work/crowded.err")

echo "Load average $(cut -d' ' -f1-3 /proc/loadavg); $rounds warm rounds."
echo "same_contents_bench (warm): $cf_stats"
echo "jdupes vs ours: $(cat "$work/compare.txt")"
echo
echo "| program | warm median | cold |"
echo "|---|---|---|"
echo "| Same Contents (same_contents_bench --no-cache) | ${warm[cf]} s | ${cold[cf]:--} s |"
echo "| \`corvane-find --contents --no-cache\` | ${warm[cli]} s | ${cold[cli]:--} s |"
echo "| \`jdupes -r\` | ${warm[jd]} s | ${cold[jd]:--} s |"
echo "| \`rdfind -dryrun true\` | ${warm[rd]} s | ${cold[rd]:--} s |"
echo "| \`rmlint -T df\` | ${warm[rl]} s | ${cold[rl]:--} s |"
echo
echo "Cold, ours: ${cf_cold_stats:-not run}"
echo "With the cache (second run): $cache_time s (corvane-find --contents: $cli_cache_time s) against the name search (corvane-find) $name_time s: $cache_stats"
echo "Crowded tree: peak RSS $((crowded_peak / 1024)) MB; $crowded_stats"
