#!/usr/bin/env bash
# The algebraic unknotting numbers of the prime knots up to 10 crossings against their published
# values, at large and very large effort: wall time per knot on one core, the knots decided, the
# known values decided and any bound that contradicts a published value; then, at large effort, the
# 2728 random braid knots with 11 to 16 crossings and 600 random braids with 11 to 13 crossings,
# almost all positive (high signature: many need several moves). For each run, the share of its
# time spent in the stages added for the certificates and the upper bounds (the signature-nullity
# bound, the later rounds of the move searches, the unit of the Blanchfield pairing, crossing
# changes, a crossing change followed by moves, and the lower-bound certificate). With a second command line given (a build of an earlier version), the
# same for it and the ratio of the times per knot.
# Usage: bench/unknotting_table.sh BUILD_DIR [EARLIER_CORVANE_CLI]
set -euo pipefail
build="${1:-build}"
earlier="${2:-}"
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cp "$root/tests/data/rolfsen-10-braids.txt" "$dir/rolfsen.txt"
cp "$root/bench/data/knots-11-12-braids.txt" "$dir/random.txt"
cp "$root/bench/data/positive-braids-11-13.txt" "$dir/positive.txt"

# Runs LIST with CLI at EFFORT on one core; prints the wall time in milliseconds and leaves the
# time of each later stage of the bounds (CORVANE_STEP_TIMES) in $dir/steps.txt.
run() {
    local cli="$1" list="$2" effort="$3"
    local start end
    start=$(date +%s%N)
    CORVANE_STEP_TIMES=1 "$cli" --quiet --jobs=1 --compute-all --unknotting-effort="$effort" \
        "$dir/$list" > /dev/null 2> "$dir/steps.txt"
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
}

# The share of the run's wall time MS of each stage in $dir/steps.txt.
shares() {
    awk -v ms="$1" '/ s$/ { s = $(NF - 1); $NF = ""; $(NF - 1) = "";
                           printf "    %-32s %5.1f %%\n", $0, 100000 * s / ms }' "$dir/steps.txt"
}

# The bounds of a results file, "name lower upper" per knot, read from its table.
bounds() {
    sed -n '/^Name      |/,/^$/p' "$1" | tail -n +2 | tr -d '\r' |
        awk -F'|' 'NF > 2 && $2 ~ /^ +[0-9]/ { split($2, b, " "); n = split(b[1], r, ",");
                            gsub(/ /, "", $1); print $1, r[1], r[n] }'
}

# Decided knots, known values decided and contradictions of the published values.
score() {
    bounds "$1" | awk -v table="$root/tests/data/rolfsen-10-ua.tsv" '
        BEGIN { while ((getline line < table) > 0) {
                    if (line ~ /^%/) continue; split(line, f, "\t");
                    if (f[2] != "") known[f[1]] = f[2]; low[f[1]] = f[3]; high[f[1]] = f[4] } }
        { decided += ($2 == $3) }
        ($1 in known) { k++; if ($2 == $3 && $2 == known[$1]) hit++ }
        ($1 in low) && ($2 > high[$1] || ($2 == $3 && $3 < low[$1])) { bad++ }
        END { printf "%d of %d decided, %d of %d known values, %d contradictions\n",
                     decided, NR, hit, k, bad }'
}

report() {
    local cli="$1" label="$2"
    local knots
    knots=$(grep -vc '^%' "$dir/rolfsen.txt")
    for effort in large very-large; do
        local ms
        ms=$(run "$cli" rolfsen.txt "$effort")
        echo "$label, $effort effort: $(echo "scale=2; $ms / $knots" | bc) ms per knot;" \
            "$(score "$dir/rolfsen_output.txt")"
        echo "$ms" > "$dir/$label-$effort.ms"
        if [ "$label" = now ]; then shares "$ms"; fi
    done
    local what
    for what in random positive; do
        local count ms
        count=$(grep -vc '^%' "$dir/$what.txt")
        ms=$(run "$cli" "$what.txt" large)
        echo "$label, $what braids, large effort: $(echo "scale=2; $ms / $count" | bc) ms per" \
            "knot; $(bounds "$dir/${what}_output.txt" | awk '$2 == $3' | wc -l) of $count decided"
        echo "$ms" > "$dir/$label-$what.ms"
        if [ "$label" = now ]; then shares "$ms"; fi
    done
}

report "$build/bin/corvane-cli" now
if [ -n "$earlier" ]; then
    report "$earlier" earlier
    for what in large very-large random positive; do
        echo "time ratio now / earlier ($what): $(echo "scale=3; $(cat "$dir/now-$what.ms") / \
$(cat "$dir/earlier-$what.ms")" | bc)"
    done
fi
