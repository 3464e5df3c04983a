#!/usr/bin/env bash
# A whole default run of corvane-cli over torus knots T(p, q) whose minimal Seifert matrices have
# 12 to 70 rows, given as braid words (σ1⋯σ_{p-1})^q; prints the wall time of the run.
# Usage: bench/torus_run.sh BUILD_DIR
set -euo pipefail
build="${1:-build}"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
for pq in "3 7" "2 13" "3 11" "2 21" "5 6" "4 9" "3 16" "2 31" "5 11" "3 22" "2 41" "6 11" \
          "3 31" "7 11" "4 21" "3 35" "2 71" "5 18" "8 11"; do
    set -- $pq
    word=""
    for ((k = 0; k < $2; ++k)); do
        for ((i = 1; i < $1; ++i)); do word="$word${word:+,}$i"; done
    done
    echo "T$1_$2 {$word}"
done > "$dir/torus.txt"
start=$(date +%s%N)
"$build/bin/corvane-cli" --quiet --jobs=1 "$dir/torus.txt" > /dev/null
end=$(date +%s%N)
echo "torus knots: $(wc -l < "$dir/torus.txt"), default run: $(((end - start) / 1000000)) ms"
grep -c "Error in\|too large" "$dir/torus_output.txt" | sed 's/^/error or too-large cells: /' || true
