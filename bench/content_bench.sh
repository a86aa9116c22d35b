#!/usr/bin/env bash
# The content check against two peers on one warm tree: times
# `corvane-find --verify --format tsv`, `jdupes -r` and `rmlint` in interleaved
# rounds (medians and ratios), checks that they agree on how many files have a
# copy, and counts with strace what each reads, file by file, to show that
# corvane-find reads every file at most once in full.
#
# Usage: bench/content_bench.sh [BUILD_DIR] [ROUNDS] [GROUPS]
#   BUILD_DIR  a build folder (configured as Release when new; default build-bench)
#   ROUNDS     interleaved rounds, default 5;  GROUPS  tree size, default 10000
# Needs jdupes, rmlint, strace and bc (Debian packages, for this benchmark only:
# scripts/install-deps --bench). Set KEEP_TREE=1 to keep the tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
rounds=${2:-5}
groups=${3:-10000}
for tool in jdupes rmlint strace bc python3; do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt-get install $tool)" >&2; exit 2; }
done
if [[ ! -f $build/build.ninja ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$build" corvane-find make_dupes_tree >/dev/null
bin=$build/bin
work=$build/bench-trees
tree=$work/dupes
mkdir -p "$work"
if [[ ${KEEP_TREE:-0} != 1 ]]; then
    trap 'rm -rf "$tree" "$work/scratch"' EXIT
fi
if [[ ! -d $tree ]]; then
    "$bin/make_dupes_tree" "$tree" "$groups"
fi
tree_bytes=$(du -sb --apparent-size "$tree" | cut -f1)
tree_files=$(find "$tree" -type f | wc -l)
# rmlint writes its own files into the working folder unless told otherwise.
mkdir -p "$work/scratch"
cd "$work/scratch"

cf=("$bin/corvane-find" --quiet --verify --format tsv "$tree")
jd=(jdupes -r -q "$tree")
rl=(rmlint -T df -o fdupes "$tree")

# Warm: every file in the page cache, and each program run once.
find "$tree" -type f -print0 | xargs -0 cat >/dev/null
"${cf[@]}" >"$work/cf.out" || true
"${jd[@]}" >"$work/jd.out" || true
"${rl[@]}" >"$work/rl.out" 2>/dev/null || true

# One run of a command: "WALL CPU" in seconds (CPU = user + system), output
# thrown away. On a shared machine the CPU time moves less than the wall time.
run_time() {
    /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" >/dev/null 2>&1 || true
    awk '{ printf "%s %.2f", $1, $2 + $3 }' "$work/time.txt"
}
median() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'
}
declare -A wall cpu
for ((round = 0; round < rounds; ++round)); do
    for entry in cf jd rl; do
        case $entry in
            cf) measured=$(run_time "${cf[@]}") ;;
            jd) measured=$(run_time "${jd[@]}") ;;
            rl) measured=$(run_time "${rl[@]}") ;;
        esac
        wall[$entry]+="${measured% *} "
        cpu[$entry]+="${measured#* } "
    done
done
for entry in cf jd rl; do
    wall[$entry]=$(tr ' ' '\n' <<<"${wall[$entry]}" | grep . | median)
    cpu[$entry]=$(tr ' ' '\n' <<<"${cpu[$entry]}" | grep . | median)
done

# Files with a byte-identical copy, as each program reports them.
cf_dupes=$(awk -F'\t' '{ n[$6]++; k[NR] = $6 } END { for (r in k) if (n[k[r]] > 1) c++; print c + 0 }' "$work/cf.out")
jd_dupes=$(grep -c . "$work/jd.out" || true)
rl_dupes=$(grep -c . "$work/rl.out" || true)

# Bytes each program reads from the tree's files, from strace (one log per thread).
read_report() {
    local name=$1
    shift
    rm -rf "$work/strace" "$work/time.txt"
    mkdir -p "$work/strace"
    strace -ff -y -s 0 -e trace=read,pread64,readv,preadv,preadv2 -o "$work/strace/log" "$@" \
        >/dev/null 2>&1 || true
    python3 - "$tree" "$name" "$work/strace" <<'EOF'
import os, re, sys
tree, name, logs = sys.argv[1], sys.argv[2], sys.argv[3]
call = re.compile(r'^(?:read|pread64|readv|preadv|preadv2)\(\d+<(.*?)>,.*= (\d+)$')
per_file = {}
for log in os.listdir(logs):
    for line in open(os.path.join(logs, log), errors='replace'):
        m = call.match(line.strip())
        if m and m.group(1).startswith(tree + '/'):
            per_file[m.group(1)] = per_file.get(m.group(1), 0) + int(m.group(2))
total = sum(per_file.values())
over = worst = 0
for path, done in per_file.items():
    size = os.path.getsize(path)
    # Whole once, plus the first and last 4 KiB looked at before it.
    if done > size + (8192 if size > 8192 else 0):
        over += 1
    worst = max(worst, done / size if size else 0)
print(f'{name}|{len(per_file)}|{total / 1e6:.1f} MB|{over}|{worst:.3f}')
EOF
}

echo "Tree: $tree_files files, $((tree_bytes / 1000000)) MB; $rounds interleaved rounds, warm cache; load average $(cut -d' ' -f1-3 /proc/loadavg)."
echo
echo "| program | median wall time | vs corvane-find | median CPU time (user + system) | vs corvane-find | files with a copy found |"
echo "|---|---|---|---|---|---|"
ratio() { echo "scale=2; $1 / $2" | bc | sed 's/^\./0./'; }
echo "| \`corvane-find --verify --format tsv\` | ${wall[cf]} s | 1.00x | ${cpu[cf]} s | 1.00x | $cf_dupes |"
echo "| \`jdupes -r\` | ${wall[jd]} s | $(ratio "${wall[jd]}" "${wall[cf]}")x | ${cpu[jd]} s | $(ratio "${cpu[jd]}" "${cpu[cf]}")x | $jd_dupes |"
echo "| \`rmlint -T df -o fdupes\` | ${wall[rl]} s | $(ratio "${wall[rl]}" "${wall[cf]}")x | ${cpu[rl]} s | $(ratio "${cpu[rl]}" "${cpu[cf]}")x | $rl_dupes |"
echo
echo "| program | files read | bytes read | files read beyond once in full + 8 KiB | most read of one file (x its size) |"
echo "|---|---|---|---|---|"
for entry in cf jd rl; do
    case $entry in
        cf) report=$(read_report corvane-find "${cf[@]}") ;;
        jd) report=$(read_report jdupes "${jd[@]}") ;;
        rl) report=$(read_report rmlint "${rl[@]}") ;;
    esac
    echo "| ${report//|/ | } |"
done
rm -rf "$work/strace" "$work/time.txt"
