#!/usr/bin/env bash
# The default run against PARI/GP's basic invariants: times corvane-cli at the default settings on
# one core over a knot list (default: the Rolfsen table, the examples and the random Seifert
# matrices of the test data), times gp_basic_invariants.sh on the same knots and prints both and
# their ratio, the fastest of RUNS (default 3) turns each. Skips the ratio, with a note, when gp
# is not installed.
# Usage: run_ratio.sh CORVANE_CLI [KNOTLIST]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=${1:?usage: run_ratio.sh CORVANE_CLI [KNOTLIST]}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ $# -ge 2 ]; then
    cp "$2" "$work/knots.txt"
else
    data="$here/../tests/data"
    {
        grep -v '^%' "$data/rolfsen-8-matrices.txt" | grep -v '^[[:space:]]*$'
        grep -v '^%' "$here/../examples/knots.txt" | grep -v '^[[:space:]]*$' | sed 's/^/example-/'
        awk -F'\t' '$1 !~ /^%/ && $1 != "name" && NF >= 2 { print $1 "\t" $2 }' \
            "$data/random-seifert.tsv"
    } > "$work/knots.txt"
fi
knots=$(grep -c '\[\[' "$work/knots.txt")
# The machine's speed drifts: the two sides are timed in turn, RUNS times (default 3), and the
# fastest time of each is compared.
seconds=""
gp_seconds=""
gp_line=""
for _ in $(seq "${RUNS:-3}"); do
    start=$(date +%s.%N)
    "$cli" --jobs=1 --quiet "$work/knots.txt" > /dev/null
    end=$(date +%s.%N)
    run=$(echo "$end - $start" | bc -l)
    if [ -z "$seconds" ] || [ "$(echo "$run < $seconds" | bc -l)" = 1 ]; then seconds=$run; fi
    gp_line=$("$here/gp_basic_invariants.sh" "$work/knots.txt")
    gp_run=$(echo "$gp_line" | sed -n 's/.* in \([0-9.]*\) s$/\1/p')
    if [ -n "$gp_run" ] && { [ -z "$gp_seconds" ] ||
        [ "$(echo "$gp_run < $gp_seconds" | bc -l)" = 1 ]; }; then
        gp_seconds=$gp_run
    fi
done
printf "corvane-cli default run: %d knots in %.3f s (fastest of %d)\n" "$knots" "$seconds" "${RUNS:-3}"
if [ -n "$gp_seconds" ]; then
    echo "gp basic invariants: $knots knots in $gp_seconds s (fastest of ${RUNS:-3})"
    printf "ratio: %.1fx\n" "$(echo "$seconds / $gp_seconds" | bc -l)"
else
    echo "$gp_line"
fi
