#!/usr/bin/env bash
# A census-sized list: KNOTS random braid words (3-6 strands, 8-20 letters, each closing to a
# knot), run at the light settings of a census (--nakanishi-effort=low --mahler-values=128
# --json) on two threads, beside a run of the first 30000 of them. Prints for both the wall time,
# the rate in knots per second, the share of the wall time spent writing the results files and
# the peak resident memory (with GNU time, when installed), then the ratio of the two rates.
# Goals at KNOTS = 2000000: rate within 1.3 times the 30000-knot rate, writing at most 10 % of
# the wall time, peak resident memory at most 2 GB.
# Usage: bench/census_scale.sh BUILD_DIR [KNOTS]   (default 100000)
# With CENSUS_DIR=DIR the lists and results files are made in DIR and kept there.
set -euo pipefail
build="$(cd "${1:-build}" && pwd)"
knots="${2:-100000}"
reference=30000
if [ -n "${CENSUS_DIR:-}" ]; then
    dir="$CENSUS_DIR"
    mkdir -p "$dir"
else
    dir="$(mktemp -d)"
    trap 'rm -rf "$dir"' EXIT
fi

# Random braid words whose closure is a knot: the permutation of the strands is one cycle.
awk -v count="$knots" 'BEGIN {
    srand(20261208);
    made = 0;
    while (made < count) {
        strands = 3 + int(rand() * 4);
        letters = 8 + int(rand() * 13);
        for (s = 1; s <= strands; ++s) p[s] = s;
        word = "";
        for (k = 1; k <= letters; ++k) {
            g = 1 + int(rand() * (strands - 1));
            t = p[g]; p[g] = p[g + 1]; p[g + 1] = t;
            word = word (k > 1 ? "," : "") (rand() < 0.5 ? -g : g);
        }
        s = 1; cycle = 0;
        do { s = p[s]; ++cycle } while (s != 1);
        if (cycle != strands) continue;
        ++made;
        printf "c%d {%s}\n", made, word;
    }
}' > "$dir/census.txt"
head -n "$reference" "$dir/census.txt" > "$dir/reference.txt"

# Runs one list; prints "seconds rate write-share peak-KB".
run() {
    local list="$1" n="$2" start end seconds written peak
    start=$(date +%s%N)
    if [ -x /usr/bin/time ]; then
        CORVANE_REPORT_WRITES=1 /usr/bin/time -f "peak %M" "$build/bin/corvane-cli" --quiet \
            --nakanishi-effort=low --mahler-values=128 --json --jobs=2 "$list" \
            > /dev/null 2> "$dir/err.txt"
    else
        CORVANE_REPORT_WRITES=1 "$build/bin/corvane-cli" --quiet --nakanishi-effort=low \
            --mahler-values=128 --json --jobs=2 "$list" > /dev/null 2> "$dir/err.txt"
    fi
    end=$(date +%s%N)
    seconds=$(echo "scale=3; ($end - $start) / 1000000000" | bc)
    written=$(sed -n 's/^results files written [0-9]* times in \([0-9.e+-]*\) s$/\1/p' "$dir/err.txt")
    peak=$(sed -n 's/^peak //p' "$dir/err.txt")
    echo "$seconds $(echo "scale=1; $n / $seconds" | bc) $(echo "scale=4; ${written:-0} / $seconds" | bc) ${peak:-?}"
}

read -r rs rr rw rp <<< "$(run "$dir/reference.txt" "$reference")"
read -r s r w p <<< "$(run "$dir/census.txt" "$knots")"
printf "%-8s knots: wall %8.1f s, %7.1f knots/s, writing %5.2f %% of the wall time, peak %s KB\n" \
    "$reference" "$rs" "$rr" "$(echo "$rw * 100" | bc)" "$rp"
printf "%-8s knots: wall %8.1f s, %7.1f knots/s, writing %5.2f %% of the wall time, peak %s KB\n" \
    "$knots" "$s" "$r" "$(echo "$w * 100" | bc)" "$p"
echo "rate of the $reference-knot run / rate of the $knots-knot run: $(echo "scale=3; $rr / $r" | bc)"
ls -l "$dir"/census_output.* | awk '{print $5, $9}' | sed "s|$dir/||"
