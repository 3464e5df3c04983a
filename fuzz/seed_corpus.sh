#!/usr/bin/env bash
# Seeds the corpus of each fuzz target from the knot lists and results files of the repository:
#   seed_corpus.sh SOURCE_DIR CORPUS_DIR
# knot_line gets each knot line as a file of its own, braid_word each line with a braid word,
# diagram each line with a PD or DT code,
# knot_list and results_file whole files. Files already in a corpus (found by earlier runs) stay.
set -euo pipefail
src=$1
out=$2
mkdir -p "$out"/fuzz_knot_line "$out"/fuzz_braid_word "$out"/fuzz_diagram "$out"/fuzz_knot_list \
    "$out"/fuzz_results_file

lists=("$src"/tests/data/*.txt "$src"/examples/*.txt "$src"/tests/data/golden/golden.txt)
n=0
for f in "${lists[@]}"; do
    [ -f "$f" ] || continue
    cp "$f" "$out/fuzz_knot_list/seed-$(basename "$f")"
    while IFS= read -r line; do
        n=$((n + 1))
        case "$line" in
            *"{"*) printf '%s' "$line" > "$out/fuzz_braid_word/seed-$n" ;;
        esac
        case "$line" in
            *"PD["* | *"DT["*) printf '%s' "$line" > "$out/fuzz_diagram/seed-$n" ;;
        esac
        case "$line" in
            *"[["* | *"{"* | *"PD["* | *"DT["*) printf '%s' "$line" > "$out/fuzz_knot_line/seed-$n" ;;
        esac
    done < "$f"
done
for f in "$src"/tests/data/golden/*.expected "$src"/examples/*_output.txt; do
    [ -f "$f" ] && cp "$f" "$out/fuzz_results_file/seed-$(basename "$f")"
done
# A results file whose rows are marked for a redo, and one with a knot line added by hand.
if [ -f "$src/tests/data/golden/golden-all.expected" ]; then
    sed 's/^\([0-9]\)/*\1/' "$src/tests/data/golden/golden-all.expected" \
        > "$out/fuzz_results_file/seed-marked"
fi
exit 0
