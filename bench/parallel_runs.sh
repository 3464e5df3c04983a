#!/usr/bin/env bash
# Whole runs of corvane-cli: the speed-up of a heavy run of the Rolfsen table on 1, 2 and every
# core, and the time a long list at light settings spends (computing and rewriting its results
# files). Usage: bench/parallel_runs.sh [BUILD_DIR]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
cli="${1:-build}/bin/corvane-cli"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cores=$(nproc)

heavy=(--quiet --compute-all --mu --lt-values=8192 --mahler-values=2097152
       --unknotting-effort=very-large --nakanishi-effort=very-large)

seconds() {  # seconds of wall time of the command
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

# The Rolfsen table four times over (140 knots, names of their own), so that a run takes seconds.
awk '!/^%/ && NF { for (c = 1; c <= 4; c++) { line = $0; sub(/^[^ \t]+/, $1 "_" c, line); copy[c] = copy[c] line "\n" } }
     END { for (c = 1; c <= 4; c++) printf "%s", copy[c] }' \
    tests/data/rolfsen-8-matrices.txt > "$work/rolfsen-list"
echo "Heavy run of the Rolfsen table four times over (140 knots), ${heavy[*]:1}"
base=""
job_counts=(1 2)
[ "$cores" -gt 2 ] && job_counts+=("$cores")
for jobs in "${job_counts[@]}"; do
    cp "$work/rolfsen-list" "$work/rolfsen.txt"
    t=$(seconds "$cli" "${heavy[@]}" --jobs="$jobs" "$work/rolfsen.txt")
    [ -z "$base" ] && base=$t
    printf '  --jobs=%-3s %7.2f s   speed-up %.2fx\n' "$jobs" "$t" "$(echo "$base / $t" | bc -l)"
done

# 30000 knots: the Rolfsen braids over and over, each line with a name of its own.
awk '!/^%/ && NF { sub(/^[^ ]+ +/, ""); word[n++] = $0 }
     END { for (i = 0; i < 30000; i++) print "k" i " " word[i % n] }' \
    tests/data/rolfsen-8-braids.txt > "$work/long.txt"
echo "30000 knots at the default settings"
for jobs in 1 $([ "$cores" -gt 1 ] && echo "$cores"); do
    t=$(seconds "$cli" --quiet --jobs="$jobs" "$work/long.txt")
    printf '  --jobs=%-3s %7.2f s\n' "$jobs" "$t"
done
