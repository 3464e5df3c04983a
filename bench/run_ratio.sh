#!/usr/bin/env bash
# The default run against PARI/GP's basic invariants: times corvane-cli at the default settings on
# one core over a knot list (default: the Rolfsen table, the examples and the random Seifert
# matrices of the test data), times gp_basic_invariants.sh on the same knots and prints both and
# their ratio. Skips the ratio, with a note, when gp is not installed.
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
start=$(date +%s.%N)
"$cli" --jobs=1 --quiet "$work/knots.txt" > /dev/null
end=$(date +%s.%N)
seconds=$(echo "$end - $start" | bc -l)
printf "corvane-cli default run: %d knots in %.3f s\n" "$knots" "$seconds"
gp_line=$("$here/gp_basic_invariants.sh" "$work/knots.txt")
echo "$gp_line"
gp_seconds=$(echo "$gp_line" | sed -n 's/.* in \([0-9.]*\) s$/\1/p')
if [ -n "$gp_seconds" ]; then
    printf "ratio: %.1fx\n" "$(echo "$seconds / $gp_seconds" | bc -l)"
fi
