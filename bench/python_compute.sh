#!/usr/bin/env bash
# The Python module against the command line: wall time of corvane.compute() over the 2728 knots
# of 11 and 12 crossings (bench/data/knots-11-12-braids.txt) and of `corvane-cli --json` on the
# same list, with the same options and jobs (default: every core), timed in turn RUNS times
# (default 3); prints the fastest of each and their ratio. The module's time includes turning
# every result into a Python dict; the command line's includes writing its three results files.
# Usage: python_compute.sh BUILD [PYTHON]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: python_compute.sh BUILD [PYTHON]}" && pwd)
python=${2:-python3}
jobs=${JOBS:-$(nproc)}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$here/data/knots-11-12-braids.txt" "$work/knots.txt"

cli_times=""
py_times=""
for _ in $(seq "${RUNS:-3}"); do
    start=$(date +%s.%N)
    "$build/bin/corvane-cli" --quiet --json --jobs="$jobs" "$work/knots.txt" > /dev/null 2>&1
    cli=$(echo "$(date +%s.%N) - $start" | bc)
    py=$(PYTHONPATH="$build/python" "$python" -c "
import sys, time, corvane
start = time.perf_counter()
rows = corvane.compute(sys.argv[1], jobs=$jobs)
print(time.perf_counter() - start, len(rows))
" "$work/knots.txt")
    rows=${py#* }
    py=${py% *}
    cli_times="$cli_times $cli"
    py_times="$py_times $py"
done
cli_best=$(printf '%s\n' $cli_times | sort -g | head -1)
py_best=$(printf '%s\n' $py_times | sort -g | head -1)
knots=$(wc -l < "$work/knots_output.jsonl")
[ "$rows" -eq "$knots" ] || { echo "compute() gave $rows rows, the command line $knots" >&2; exit 1; }
printf 'python compute():   %6.2f s for %d knots on %d jobs\n' "$py_best" "$rows" "$jobs"
printf 'corvane-cli --json: %6.2f s\n' "$cli_best"
printf 'ratio:              %6.3f (at most 1.1 wanted)\n' "$(echo "$py_best / $cli_best" | bc -l)"
