#!/usr/bin/env bash
# The same 2728 knots with 11 to 16 crossings, once as braid words and once as PD codes of their
# closures: a default run of each on one core, and the ratio of the two wall times (the reading of
# diagrams, Seifert's algorithm and the larger matrices it gives before their reduction).
# Usage: bench/diagram_run.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cp "$root/bench/data/knots-11-12-braids.txt" "$dir/braids.txt"
cp "$root/bench/data/knots-11-12-pd.txt" "$dir/pd.txt"

# The fastest of three runs of a list, in milliseconds.
fastest() {
    local best=""
    for _ in 1 2 3; do
        local start end
        start=$(date +%s%N)
        "$build/bin/corvane-cli" --quiet --jobs=1 --columns=h1l2,signature "$dir/$1" \
            > /dev/null 2>&1
        end=$(date +%s%N)
        local ms=$(((end - start) / 1000000))
        if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
    done
    echo "$best"
}

braids=$(fastest braids.txt)
pd=$(fastest pd.txt)
echo "knots: $(grep -vc '^%' "$dir/braids.txt"), braid words: $braids ms, PD codes: $pd ms"
echo "ratio PD / braids: $(echo "scale=3; $pd / $braids" | bc)"
# Every knot must have the same H_1 of the 2-fold branched cover and signature whatever notation
# it came in (the columns change only what is printed; the bounds come from random searches seeded
# by the knot's line, which differs).
strip() { sed -n '/^Name      |/,$p' "$1" | tr -d '\r' | cut -d'|' -f1,2,3; }
if ! diff -q <(strip "$dir/braids_output.txt") <(strip "$dir/pd_output.txt") > /dev/null; then
    echo "the two runs differ"
    exit 1
fi
