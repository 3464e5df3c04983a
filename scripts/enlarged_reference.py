#!/usr/bin/env python3
"""Computes tests/data/enlarged-reference.tsv from tests/data/enlarged-knots.txt with PARI/GP:
det(tV - V^T) with the powers of t removed and a positive leading coefficient, det(V + V^T),
sign(V + V^T) (qfsign) and the Smith form of V + V^T without its 1s."""
import subprocess
import sys

knots = []
for line in open(sys.argv[1]):
    if line.startswith('%') or not line.strip():
        continue
    name, text = line.split('\t')
    knots.append((name, eval(text)))

script = ['default(parisize, 256000000);',
          'al(V) = my(p = matdet(t*V - V~)); p = p / t^valuation(p, t); '
          'if(pollead(p) < 0, p = -p); p;',
          'row(V) = my(p = al(V), S = V + V~, s = qfsign(S), d = matsnf(S)); '
          'print(strjoin(apply(x -> Str(x), Vecrev(p)), ",") '
          '"\\t" matdet(S) "\\t" s[1] - s[2] "\\t" '
          'strjoin(apply(x -> Str(x), select(x -> x != 1, vecsort(d))), ","));']
for _, v in knots:
    rows = ';'.join(','.join(map(str, r)) for r in v)
    script.append(f'row([{rows}]);')
out = subprocess.run(['gp', '-q', '-f'], input='\n'.join(script) + '\n', capture_output=True,
                     text=True, check=True).stdout.splitlines()
assert len(out) == len(knots), out[:5]
with open(sys.argv[2], 'w') as f:
    f.write('% Reference values for enlarged-knots.txt, computed with PARI/GP from the matrices as\n')
    f.write('% given (scripts/enlarged_reference.py): alexander = det(tV - V^T) / t^k from t^0 up,\n')
    f.write('% leading coefficient positive; det = det(V + V^T); signature = sign(V + V^T);\n')
    f.write('% h1l2 = Smith form of V + V^T without the 1s, increasing.\n')
    f.write('name\talexander\tdet\tsignature\th1l2\n')
    for (name, _), line in zip(knots, out):
        f.write(f'{name}\t{line}\n')
