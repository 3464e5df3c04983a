#!/usr/bin/env bash
# A census-sized list: the 2728 knots of bench/data/knots-11-12-braids.txt repeated under new
# names up to KNOTS lines (default 300000), run at the light settings of a census
# (--nakanishi-effort=low --mahler-values=128 --json) on two threads. Prints the wall time, the
# peak resident memory (with GNU time, when installed) and the sizes of the results files.
# Usage: bench/census_run.sh BUILD_DIR [KNOTS]
set -euo pipefail
build="${1:-build}"
knots="${2:-300000}"
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
grep -v '^%' "$root/bench/data/knots-11-12-braids.txt" > "$dir/one.txt"
: > "$dir/census.txt"
copy=0
while [ "$(wc -l < "$dir/census.txt")" -lt "$knots" ]; do
    copy=$((copy + 1))
    sed "s/^\([^ ]*\)/\1.$copy/" "$dir/one.txt" >> "$dir/census.txt"
done
head -n "$knots" "$dir/census.txt" > "$dir/list.txt"
options=(--quiet --nakanishi-effort=low --mahler-values=128 --json --jobs=2)
start=$(date +%s%N)
if [ -x /usr/bin/time ]; then
    /usr/bin/time -f "peak resident memory: %M KB" "$build/bin/corvane-cli" "${options[@]}" \
        "$dir/list.txt" > /dev/null 2> "$dir/time.txt" || true
    grep "peak resident" "$dir/time.txt"
else
    "$build/bin/corvane-cli" "${options[@]}" "$dir/list.txt" > /dev/null 2>&1 || true
fi
end=$(date +%s%N)
echo "knots: $knots, wall time: $(((end - start) / 1000000)) ms"
ls -l "$dir"/list_output.* | awk '{print $5, $9}' | sed "s|$dir/||"
