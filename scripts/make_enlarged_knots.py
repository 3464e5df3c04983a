#!/usr/bin/env python3
"""Writes tests/data/enlarged-knots.txt: table knots whose Seifert matrices are S-enlarged several
times with large entries and then changed by a random unimodular congruence, so that the checked
64-bit reduction runs out of range on some of them. The reference values are computed from these
matrices by PARI/GP (scripts/enlarged_reference.gp)."""
import random
import sys

def read_matrices(path):
    knots = []
    for line in open(path):
        if line.startswith('%') or not line.strip():
            continue
        name, text = line.split(None, 1)
        knots.append((name, eval(text)))
    return knots

def enlarge(v, rng, size):
    n = len(v)
    xi = [rng.randint(-size, size) for _ in range(n)]
    w = [row + [0, 0] for row in v] + [[0] * (n + 2), [0] * (n + 2)]
    if rng.random() < 0.5:  # [[V, xi, 0], [0, 0, 1], [0, 0, 0]]
        for i in range(n):
            w[i][n] = xi[i]
        w[n][n + 1] = 1
    else:  # [[V, 0, 0], [xi^T, 0, 0], [0, 1, 0]]
        for j in range(n):
            w[n][j] = xi[j]
        w[n + 1][n] = 1
    return w

def congruence(v, rng, steps, size):
    n = len(v)
    for _ in range(steps):
        i, j = rng.sample(range(n), 2)
        c = rng.randint(-size, size)
        for k in range(n):  # e_j := e_j + c e_i
            v[k][j] += c * v[k][i]
        for k in range(n):
            v[j][k] += c * v[i][k]
    return v

def main():
    rng = random.Random(20261208)
    knots = read_matrices(sys.argv[1])
    out = open(sys.argv[2], 'w')
    out.write('% Table knots (rolfsen-8-matrices.txt) S-enlarged with entries in the hundreds and\n')
    out.write('% changed by a random unimodular congruence; written by scripts/make_enlarged_knots.py.\n')
    for name, v in knots:
        for copy in range(2):
            w = [row[:] for row in v]
            for _ in range(rng.randint(2, 6)):
                w = enlarge(w, rng, 500)
            while True:
                trial = congruence([row[:] for row in w], rng, 3 * len(w), 3)
                if max(abs(x) for row in trial for x in row) < 2**31:
                    break
            text = '[' + ', '.join('[' + ', '.join(map(str, row)) + ']' for row in trial) + ']'
            out.write(f'{name}.{copy + 1}\t{text}\n')

main()
