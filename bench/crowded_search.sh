#!/usr/bin/env bash
# The whole search on a crowded tree (make_crowded_tree), side by side with
# find and, when given, an older corvane-find: every command once per round,
# ROUNDS rounds (default 5), each line the median. The tree is kept.
# Usage: bench/crowded_search.sh TREE NEW_CORVANE_FIND [BASE_CORVANE_FIND [ROUNDS]]
set -euo pipefail
tree=$1
new=$2
base=${3:-}
rounds=${4:-5}

wall_time() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
median() {
    sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'
}

declare -A commands times
commands[find]="find $tree -type f -printf '%s %p\\n'"
commands[both]="$new --quiet --format tsv $tree"
for slider in 0 1 2 3 4 5; do
    commands[close$slider]="$new --quiet --close --slider $slider --format tsv $tree"
done
commands[exact]="$new --quiet --exact --format tsv $tree"
if [[ -n $base ]]; then
    commands[base_both]="$base --quiet --format tsv $tree"
fi
names=(find both exact close0 close1 close2 close3 close4 close5)
[[ -n $base ]] && names+=(base_both)

find "$tree" -type f >/dev/null  # warm the cache
for _ in $(seq "$rounds"); do
    for name in "${names[@]}"; do
        if [[ $name == find ]]; then
            times[$name]+="$(wall_time find "$tree" -type f -printf '%s %p\n') "
        else
            # shellcheck disable=SC2086
            times[$name]+="$(wall_time ${commands[$name]}) "
        fi
    done
done
find_time=$(tr ' ' '\n' <<<"${times[find]}" | grep . | median)
echo "| command | median of $rounds | / find |"
echo "|---|---|---|"
for name in "${names[@]}"; do
    t=$(tr ' ' '\n' <<<"${times[$name]}" | grep . | median)
    echo "| ${commands[$name]} | $t s | $(echo "scale=2; $t / $find_time" | bc)x |"
done
# shellcheck disable=SC2086
/usr/bin/time -v ${commands[both]} >/dev/null 2>/tmp/crowded-time.$$ || true
echo "peak memory of '${commands[both]}': $(awk -F': ' '/Maximum resident/ { print int($2 / 1024) }' /tmp/crowded-time.$$) MB"
rm -f /tmp/crowded-time.$$
