#!/usr/bin/env bash
# Times PARI/GP computing only the basic invariants of every knot of a knot list given by Seifert
# matrices: det(tV - V^T), det and Smith form of V + V^T, and the signature of V + V^T. Prints the
# number of knots and the seconds gp spends on them (reading and conversion excluded; the mean of
# REPEAT passes, default 20, since one pass is near the resolution of gp's clock), or a note and
# exit status 0 when gp is not installed. Usage: gp_basic_invariants.sh KNOTLIST
set -euo pipefail
list=${1:?usage: gp_basic_invariants.sh KNOTLIST}
if ! command -v gp >/dev/null 2>&1; then
    echo "gp not installed: skipping the PARI/GP reference"
    exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One gp matrix per knot: [[a, b], [c, d]] becomes [a, b; c, d]. Comments, braid words and
# everything after the first empty line are left out.
awk 'BEGIN { n = 0 }
     /^[ \t\r]*$/ { exit }
     /^%/ { next }
     {
         i = index($0, "[[");
         if (i == 0) next;
         m = substr($0, i); sub(/[ \t\r]*$/, "", m);
         gsub(/\][ \t]*,[ \t]*\[/, ";", m); gsub(/\[\[/, "[", m); gsub(/\]\]/, "]", m);
         printf "V[%d] = %s;\n", ++n, m;
     }
     END { printf "knots = %d;\n", n }' "$list" > "$work/matrices.gp"
count=$(grep -c '^V\[' "$work/matrices.gp" || true)
{
    echo "default(parisize, 64000000);"
    echo "repeat = ${REPEAT:-20};"
    echo "V = vector($count);"
    cat "$work/matrices.gp"
    cat <<'GP'
t0 = getabstime();
check = 0;
for (r = 1, repeat, for (k = 1, knots, \
    M = V[k]; S = M + M~; \
    A = matdet('t * M - M~); \
    d = matdet(S); \
    F = matsnf(S); \
    g = qfsign(S); \
    check += poldegree(A) + abs(d) + #F + g[1] - g[2]));
printf("%d %.5f %d\n", knots, (getabstime() - t0) / 1000.0 / repeat, check);
quit;
GP
} > "$work/run.gp"
read -r knots seconds _ < <(gp -q -f "$work/run.gp" 2>/dev/null)
echo "gp basic invariants: $knots knots in $seconds s"
