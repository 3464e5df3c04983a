#!/usr/bin/env python3
"""Writes tests/data/random-diagrams.tsv: knot diagrams as PD codes with their Alexander
polynomial, determinant and the first homology of the 2-fold branched cover.

Diagrams. Most are projections of random closed polygons in R^3 (integer vertices, 6 to 14 of
them) onto the plane z = 0, seen from z = +infinity, so that the plane keeps its standard
orientation and the strand with the larger height passes over. Degenerate projections (three
projected vertices collinear where two edges meet or could touch, a vertex on another edge,
two crossings at the same point of an edge, equal heights at a crossing) are skipped; all tests
are exact (integer and rational arithmetic). A dozen more are made from small diagrams by
Reidemeister I moves (kinks of all four kinds) written directly on the PD code, and nine are
connected sums of PD codes (trefoils, its mirror, figure-eights, knotted polygon diagrams); their
invariants are checked against those of the diagrams they come from (Delta and det multiply, H_1
of the double cover is the direct sum).

PD convention: one [a,b,c,d] per crossing, its edge labels counterclockwise from the incoming
under-edge; edges are numbered 1..2n along the orientation (label 2n is followed by 1), so the
under strand runs a -> c = a+1, and the crossing is positive iff the over strand runs d -> b,
i.e. b - d = 1 (mod 2n). With u the direction of the under strand and v that of the over strand,
the incoming under-edge lies in direction -u, a quarter turn counterclockwise from it is
(u_y, -u_x), and v . (u_y, -u_x) = v x u; so b is the outgoing over-edge iff v x u > 0, which is
the usual right-handed positive crossing.

Invariants, by Fox calculus on the Wirtinger presentation (no Seifert surface is used):
the arcs are the classes of edges joined through the over strand (b and d lie on one arc); a
crossing with incoming under-arc x_a, outgoing under-arc x_c and over-arc x_o gives the relation
x_c = x_o^e x_a x_o^-e, e = +-1 its sign, whose abelianised Fox derivatives are the row
(o: 1-t, a: t, c: -1) for e = +1 and, multiplied by the unit t, (o: t-1, a: 1, c: -t) for e = -1.
Deleting one row and one column of this n x n matrix and taking the determinant over Z[t]
(PARI/GP, scripts/diagram_invariants.gp) gives Delta up to +-t^k; it is normalised to have t^0
as its lowest term and Delta(1) = 1, and checked to be symmetric. The same corner minor at t = -1
presents H_1 of the 2-fold branched cover: its |det| is the determinant of the knot (checked to be
|Delta(-1)|), its Smith normal form gives the cyclic summands.

Every PD code is checked: each label occurs twice, c = a+1, b and d are consecutive, each edge is
entered once and left once, and the counterclockwise orders make a planar diagram (the faces
traced with them number n + 2, Euler's formula for a connected 4-valent plane graph). The Seifert
circles s (smoothing every crossing along the orientation) bound a surface of genus
(n - s + 1)/2, so deg Delta <= n - s + 1 is checked too.

Run from the repository root: python3 scripts/make_diagram_reference.py
"""
import os
import random
import subprocess
import sys
from fractions import Fraction

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
import braids_to_pd  # noqa: E402

SEED = 20261208
OUT = os.path.join(ROOT, 'tests', 'data', 'random-diagrams.tsv')


# ---------------------------------------------------------------- PD codes

def crossing_sign(x, n2):
    a, b, c, d = x
    pos = (b - d) % n2 == 1
    neg = (d - b) % n2 == 1
    assert pos != neg, ('b and d are not consecutive', x)
    return 1 if pos else -1


def check_pd(pd):
    n = len(pd)
    n2 = 2 * n
    count = {}
    for x in pd:
        for e in x:
            count[e] = count.get(e, 0) + 1
    assert sorted(count) == list(range(1, n2 + 1)), pd
    assert all(v == 2 for v in count.values()), pd
    entered, left = set(), set()
    for x in pd:
        a, b, c, d = x
        assert c == a % n2 + 1, ('under strand does not run a -> a+1', x)
        s = crossing_sign(x, n2)
        ins = (a, d) if s > 0 else (a, b)
        outs = (c, b) if s > 0 else (c, d)
        for e in ins:
            assert e not in entered, pd
            entered.add(e)
        for e in outs:
            assert e not in left, pd
            left.add(e)
    # faces: darts (crossing, position); follow an edge to its other end, then turn to the next
    # position counterclockwise. For a plane diagram these orbits are the n + 2 faces.
    ends = {}
    for i, x in enumerate(pd):
        for p, e in enumerate(x):
            ends.setdefault(e, []).append((i, p))
    other = {}
    for e, (u, w) in ends.items():
        other[u], other[w] = w, u
    seen, faces = set(), 0
    for dart in other:
        if dart in seen:
            continue
        faces += 1
        while dart not in seen:
            seen.add(dart)
            i, p = other[dart]
            dart = (i, (p + 1) % 4)
    assert faces == n + 2, ('not a plane diagram', faces, n, pd)


def seifert_circles(pd):
    """Smoothing each crossing along the orientation joins each incoming edge to an outgoing one:
    a -> b, d -> c at a positive crossing, a -> d, b -> c at a negative one."""
    n2 = 2 * len(pd)
    nxt = {}
    for x in pd:
        a, b, c, d = x
        if crossing_sign(x, n2) > 0:
            nxt[a], nxt[d] = b, c
        else:
            nxt[a], nxt[b] = d, c
    seen, circles = set(), 0
    for e in nxt:
        if e in seen:
            continue
        circles += 1
        while e not in seen:
            seen.add(e)
            e = nxt[e]
    return circles


def wirtinger_matrix(pd):
    """(A0, A1) with Alexander matrix M(t) = A0 + t A1: one row per crossing, one column per arc."""
    n = len(pd)
    n2 = 2 * n
    parent = list(range(n2 + 1))

    def find(e):
        while parent[e] != e:
            parent[e] = parent[parent[e]]
            e = parent[e]
        return e
    for a, b, c, d in pd:
        parent[find(b)] = find(d)
    roots = sorted({find(e) for e in range(1, n2 + 1)})
    arc = {r: i for i, r in enumerate(roots)}
    assert len(roots) == n, 'a knot diagram with n > 0 crossings has n arcs'
    A0 = [[0] * n for _ in range(n)]
    A1 = [[0] * n for _ in range(n)]
    for i, x in enumerate(pd):
        a, b, c, d = x
        xa, xc, xo = arc[find(a)], arc[find(c)], arc[find(b)]
        if crossing_sign(x, n2) > 0:      # (o: 1-t, a: t, c: -1)
            A0[i][xo] += 1
            A1[i][xo] -= 1
            A1[i][xa] += 1
            A0[i][xc] -= 1
        else:                             # (o: t-1, a: 1, c: -t)
            A0[i][xo] -= 1
            A1[i][xo] += 1
            A0[i][xa] += 1
            A1[i][xc] -= 1
    return A0, A1


def gp_matrix(m):
    A0, A1 = m
    lit = lambda A: '[' + ';'.join(','.join(map(str, r)) for r in A) + ']'
    return '(%s+t*%s)' % (lit(A0), lit(A1))


def run_gp(cmds):
    """Runs the commands in gp after reading diagram_invariants.gp; each prints one line."""
    src = ('default(parisizemax, 2*10^9);\n'
           'read("%s");\n' % os.path.join(HERE, 'diagram_invariants.gp').replace('\\', '/')
           + ''.join(c + ';\n' for c in cmds) + '\\q\n')
    r = subprocess.run(['gp', '-q', '-D', 'parisize=64000000'], input=src,
                       capture_output=True, text=True)
    bad = [l for l in (r.stdout + r.stderr).splitlines()
           if '***' in l and 'new maximum stack size' not in l]
    if r.returncode != 0 or bad:
        raise RuntimeError('gp failed:\n' + r.stdout[-2000:] + r.stderr[-2000:])
    lines = [l for l in r.stdout.splitlines() if l.strip()]
    assert len(lines) == len(cmds), (len(lines), len(cmds))
    return lines


def pd_string(pd):
    return braids_to_pd.pd_string(pd)


# ---------------------------------------------------------------- random polygons

def orient(p, q, r):
    return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])


def polygon_pd(pts):
    """PD code of the projection of the closed polygon pts to the xy-plane, or None when the
    projection is degenerate."""
    k = len(pts)
    seg = [(pts[i], pts[(i + 1) % k]) for i in range(k)]
    for i in range(k):
        if orient(pts[i], pts[(i + 1) % k], pts[(i + 2) % k]) == 0:
            return None
    on_seg = [[] for _ in range(k)]        # (parameter, crossing id)
    crossings = []                          # (over segment, under segment)
    for i in range(k):
        for j in range(i + 1, k):
            if j == i + 1 or (i == 0 and j == k - 1):
                continue
            A, B = seg[i]
            C, D = seg[j]
            o1, o2 = orient(A, B, C), orient(A, B, D)
            o3, o4 = orient(C, D, A), orient(C, D, B)
            if 0 in (o1, o2, o3, o4):
                return None
            if (o1 > 0) == (o2 > 0) or (o3 > 0) == (o4 > 0):
                continue
            r = (B[0] - A[0], B[1] - A[1])
            q = (D[0] - C[0], D[1] - C[1])
            ca = (C[0] - A[0], C[1] - A[1])
            den = r[0] * q[1] - r[1] * q[0]
            s = Fraction(ca[0] * q[1] - ca[1] * q[0], den)
            u = Fraction(ca[0] * r[1] - ca[1] * r[0], den)
            assert 0 < s < 1 and 0 < u < 1
            zi = A[2] + s * (B[2] - A[2])
            zj = C[2] + u * (D[2] - C[2])
            if zi == zj:
                return None
            cid = len(crossings)
            crossings.append((i, j) if zi > zj else (j, i))
            on_seg[i].append((s, cid))
            on_seg[j].append((u, cid))
    n = len(crossings)
    if n == 0:
        return []
    for lst in on_seg:
        lst.sort()
        for x, y in zip(lst, lst[1:]):
            if x[0] == y[0]:
                return None                 # two crossings at one point: a triple point
    # walk the polygon; the edge ending at the idx-th visit (0-based) is labelled idx+1
    incoming = {}
    idx = 0
    for i in range(k):
        for _, cid in on_seg[i]:
            incoming[(cid, i)] = idx + 1
            idx += 1
    assert idx == 2 * n
    direction = [(B[0] - A[0], B[1] - A[1]) for A, B in seg]
    pd = []
    for cid, (over, under) in enumerate(crossings):
        pd.append(braids_to_pd.pd_tuple(incoming[(cid, under)], incoming[(cid, over)],
                                        direction[over], direction[under], 2 * n))
    return pd


def random_polygon_diagrams(rng, quota, pool=8):
    """Random polygons until every crossing number n has pool * quota[n] candidates; then, for
    each n, quota[n] of them are kept: knotted ones first (Delta != 1, most random polygons are
    unknotted), but at least two with Delta = 1 when there are any, in the order drawn."""
    cand = {n: [] for n in quota}
    tries = 0
    while any(len(cand[n]) < pool * quota[n] for n in quota):
        tries += 1
        k = rng.randint(6, 14)
        pts = [tuple(rng.randint(-1000, 1000) for _ in range(3)) for _ in range(k)]
        pd = polygon_pd(pts)
        if pd is None:
            continue
        n = len(pd)
        if n in cand and len(cand[n]) < pool * quota[n]:
            cand[n].append((k, pd))
    order = [(n, c) for n in sorted(cand) for c in cand[n]]
    lines = run_gp(['alexander_line(%s)' % gp_matrix(wirtinger_matrix(pd)) for _, (k, pd) in order])
    knotted = {n: [] for n in quota}
    trivial = {n: [] for n in quota}
    for (n, c), line in zip(order, lines):
        (trivial if line == '1' else knotted)[n].append(c)
    out = []
    for n in sorted(quota):
        q = quota[n]
        take = knotted[n][:max(0, q - min(2, len(trivial[n])))]
        take += trivial[n][:q - len(take)]
        take += knotted[n][len(take):len(take) + q - len(take)] if len(take) < q else []
        out.extend(take)
    return out, tries


# ---------------------------------------------------------------- Reidemeister I moves

def add_kink(pd, k, first_over, positive):
    """Puts a kink into edge k: it becomes edges k, k+1 (the loop), k+2 and all later labels
    move up by 2. The loop joins two neighbouring positions of the new crossing, so the diagram
    stays planar; the four choices of (first pass over or under, sign) are the four kinks."""
    n2 = 2 * len(pd)
    new = []
    for x in pd:
        s = crossing_sign(x, n2)
        incoming_pos = (0, 3) if s > 0 else (0, 1)
        y = []
        for p, e in enumerate(x):
            if e > k:
                e += 2
            elif e == k and p in incoming_pos:
                e = k + 2
            y.append(e)
        new.append(y)
    if not first_over:
        new.append([k, k + 2, k + 1, k + 1] if positive else [k, k + 1, k + 1, k + 2])
    else:
        new.append([k + 1, k + 1, k + 2, k] if positive else [k + 1, k, k + 2, k + 1])
    return new


# ---------------------------------------------------------------- connected sums and mirrors

def incoming_positions(x, n2):
    return (0, 3) if crossing_sign(x, n2) > 0 else (0, 1)


def connected_sum(pd1, pd2):
    """Diagram of K1 # K2: edge 2n1 of K1 (which ends where label 1 starts) is cut and joined to
    edge 1 of K2 cut open. On the sphere any edge borders the outer face after a change of face,
    so the result is planar with both counterclockwise orders kept. Labels: K1 keeps 1..N1 except
    that the end of its edge N1 becomes N1+N2; K2's label j >= 2 becomes N1+j-1, and its edge 1
    becomes N1 where it ends and N1+N2 where it starts."""
    N1, N2 = 2 * len(pd1), 2 * len(pd2)
    out = []
    for x in pd1:
        inc = incoming_positions(x, N1)
        out.append([N1 + N2 if (e == N1 and p in inc) else e for p, e in enumerate(x)])
    for x in pd2:
        inc = incoming_positions(x, N2)
        y = []
        for p, e in enumerate(x):
            if e == 1:
                y.append(N1 if p in inc else N1 + N2)
            else:
                y.append(N1 + e - 1)
        out.append(y)
    return out


def mirror(pd):
    """Mirror image: the counterclockwise order is reversed, [a,b,c,d] -> [a,d,c,b]; every
    crossing changes sign."""
    return [[a, d, c, b] for a, b, c, d in pd]


def prime_powers(factors):
    """Elementary divisors (prime powers) of the cyclic group orders listed in factors."""
    out = []
    for f in (int(x) for x in factors.split(',')):
        p = 2
        while f > 1:
            if f % p == 0:
                q = 1
                while f % p == 0:
                    f //= p
                    q *= p
                out.append(q)
            p += 1
    return sorted(out)


def poly_mul(p, q):
    r = [0] * (len(p) + len(q) - 1)
    for i, x in enumerate(p):
        for j, y in enumerate(q):
            r[i + j] += x * y
    return r


# ---------------------------------------------------------------- main

TREFOIL = [[1, 5, 2, 4], [3, 1, 4, 6], [5, 3, 6, 2]]


def info(pd, source):
    n2 = 2 * len(pd)
    pos = sum(crossing_sign(x, n2) > 0 for x in pd)
    kinks = sum(len(set(x)) < 4 for x in pd)
    return 'crossings=%d;positive=%d;negative=%d;seifert_circles=%d;kinks=%d;source=%s' % (
        len(pd), pos, len(pd) - pos, seifert_circles(pd), kinks, source)


def sanity_checks():
    fig8 = braids_to_pd.braid_to_pd([1, -2, 1, -2])
    pos3 = braids_to_pd.braid_to_pd([1, 1, 1])
    cases = [('trefoil PD[[1,5,2,4],[3,1,4,6],[5,3,6,2]]', TREFOIL, '1,-1,1;3;3', 3),
             ('closure of {1,1,1}: ' + pd_string(pos3), pos3, '1,-1,1;3;3', 3),
             ('closure of {1,-2,1,-2}: ' + pd_string(fig8), fig8, '-1,3,-1;5;5', None)]
    lines = run_gp(['knot_line(%s)' % gp_matrix(wirtinger_matrix(pd)) for _, pd, _, _ in cases])
    for (label, pd, want, npos), got in zip(cases, lines):
        check_pd(pd)
        signs = [crossing_sign(x, 2 * len(pd)) for x in pd]
        if npos is not None:
            assert signs.count(1) == npos, (label, signs)
        assert got == want, (label, got, want)
        print('ok  %s: signs %s, Delta;det;H1 = %s' % (label, signs, got))
    assert [crossing_sign(x, 8) for x in fig8].count(1) == 2


def main():
    sanity_checks()
    rng = random.Random(SEED)
    quota = {n: (7 if n <= 14 else 6) for n in range(3, 26)}
    polys, tries = random_polygon_diagrams(rng, quota)
    rows = []
    for i, (k, pd) in enumerate(polys):
        rows.append(('poly%03d' % (i + 1), pd, 'polygon-%d-vertices' % k))
    # Reidemeister I: kinks of all four kinds on the trefoil, the figure-eight and small polygons
    fig8 = braids_to_pd.braid_to_pd([1, -2, 1, -2])
    bases = [('trefoil', TREFOIL), ('figure-eight', fig8)]
    first = run_gp(['alexander_line(%s)' % gp_matrix(wirtinger_matrix(pd)) for _, pd, _ in rows])
    knotted = [(name, pd) for (name, pd, _), line in zip(rows, first) if line != '1']
    unknotted = [(name, pd) for (name, pd, _), line in zip(rows, first) if line == '1']
    bases += sorted(knotted, key=lambda r: len(r[1]))[:3] + [unknotted[len(unknotted) // 4]]
    kinked = []
    for j in range(12):
        base_name, base = bases[j % len(bases)]
        pd = base
        moves = []
        for _ in range(1 + j % 3):
            e = rng.randint(1, 2 * len(pd))
            over, pos = rng.random() < 0.5, rng.random() < 0.5
            pd = add_kink(pd, e, over, pos)
            moves.append('%s%s@%d' % ('O' if over else 'U', '+' if pos else '-', e))
        kinked.append(('kink%02d' % (j + 1), pd, 'R1-on-%s:%s' % (base_name, ','.join(moves)),
                       base))
    for name, pd, src, _ in kinked:
        rows.append((name, pd, src))
    # connected sums (Delta multiplies, H_1 of the double cover is the direct sum) and mirrors
    knotted_small = [(name, pd) for name, pd in knotted if 4 <= len(pd) <= 10]
    summands = {'trefoil': TREFOIL, 'mirror-trefoil': mirror(TREFOIL), 'figure-eight': fig8}
    plans = [('trefoil', 'trefoil'), ('trefoil', 'mirror-trefoil'), ('trefoil', 'figure-eight'),
             ('figure-eight', 'figure-eight')]
    pick = rng.sample(knotted_small, 8)
    for a, b in zip(pick[::2], pick[1::2]):
        summands[a[0]], summands[b[0]] = a[1], b[1]
        plans.append((a[0], b[0]))
    sums = []
    for j, (a, b) in enumerate(plans):
        sums.append(('sum%02d' % (j + 1), connected_sum(summands[a], summands[b]),
                     'connected-sum:%s+%s' % (a, b), (summands[a], summands[b])))
    triple = connected_sum(connected_sum(TREFOIL, TREFOIL), TREFOIL)
    sums.append(('sum%02d' % (len(sums) + 1), triple, 'connected-sum:trefoil+trefoil+trefoil',
                 (connected_sum(TREFOIL, TREFOIL), TREFOIL)))
    for name, pd, src, _ in sums:
        rows.append((name, pd, src))
    for _, pd, _ in rows:
        check_pd(pd)
    lines = run_gp(['knot_line(%s)' % gp_matrix(wirtinger_matrix(pd)) for _, pd, _ in rows]
                   + ['knot_line(%s)' % gp_matrix(wirtinger_matrix(b)) for *_, b in kinked]
                   + ['knot_line(%s)' % gp_matrix(wirtinger_matrix(x))
                      for *_, (p, q) in sums for x in (p, q)]
                   + ['knot_line(%s)' % gp_matrix(wirtinger_matrix(mirror(TREFOIL)))])
    base_lines = lines[len(rows):len(rows) + len(kinked)]
    sum_lines = lines[len(rows) + len(kinked):-1]
    assert lines[-1] == '1,-1,1;3;3', 'mirror trefoil'
    lines = lines[:len(rows)]
    row_line = {name: line for (name, _, _), line in zip(rows, lines)}
    for j, (name, pd, src, _) in enumerate(sums):
        l1, l2 = sum_lines[2 * j].split(';'), sum_lines[2 * j + 1].split(';')
        got = row_line[name].split(';')
        want_alex = poly_mul([int(c) for c in l1[0].split(',')], [int(c) for c in l2[0].split(',')])
        assert [int(c) for c in got[0].split(',')] == want_alex, ('Delta of a sum', name)
        assert int(got[1]) == int(l1[1]) * int(l2[1]), ('det of a sum', name)
        # the invariant factors of a direct sum determine the same multiset of prime powers
        assert prime_powers(got[2]) == sorted(prime_powers(l1[2]) + prime_powers(l2[2])), name
    for (name, pd, src, _), want in zip(kinked, base_lines):
        got = row_line[name]
        assert got == want, ('a Reidemeister I move changed the invariants', name, got, want)
    out = []
    for (name, pd, src), line in zip(rows, lines):
        alex, det, h1 = line.split(';')
        coeffs = list(map(int, alex.split(',')))
        n, s = len(pd), seifert_circles(pd)
        assert len(coeffs) - 1 <= n - s + 1, ('deg Delta exceeds the Seifert genus bound', name)
        assert int(det) == abs(sum(c * (-1) ** i for i, c in enumerate(coeffs)))
        out.append('\t'.join((name, pd_string(pd), alex, det, h1, info(pd, src))))
    header = [
        '% Knot diagrams as PD codes with invariants computed from the diagram alone.',
        '%% Written by scripts/make_diagram_reference.py (seed %d) with PARI/GP '
        '(scripts/diagram_invariants.gp).' % SEED,
        '% PD: one [a,b,c,d] per crossing, edge labels counterclockwise from the incoming '
        'under-edge; edges numbered 1..2n along the orientation (2n is followed by 1); '
        'positive crossing iff b - d = 1 mod 2n.',
        '% poly*: projections of random closed polygons in R^3 (integer vertices, 6 to 14) to the '
        'xy-plane seen from above, larger height over; degenerate projections skipped.',
        '% kink*: Reidemeister I moves written on the PD code of a smaller diagram (source column: '
        'O/U = first pass over/under, +/- = sign, @e = edge split); invariants checked equal to '
        'those of the base diagram.',
        '% columns: name, PD code, alexander, det, h1_double_cover, info',
        '% alexander: coefficients from t^0 up of Delta(t), the determinant of the Alexander '
        'matrix of the Wirtinger presentation (Fox calculus: row (o: 1-t, a: t, c: -1) for a '
        'positive crossing, (o: t-1, a: 1, c: -t) for a negative one, over the arcs o, a, c) '
        'with its last row and column deleted, over Z[t]; divided by the power of t and signed '
        'so that the lowest term is t^0 and Delta(1) = 1; checked symmetric.',
        '% det: |det| of that corner minor at t = -1, checked equal to |Delta(-1)|.',
        '% h1_double_cover: invariant factors > 1 (Smith normal form) of the corner minor at '
        't = -1, which presents H_1 of the 2-fold branched cover; 0 when the group is trivial.',
        '% sum*: connected sums of PD codes (source column names the summands; mirror = '
        '[a,b,c,d] -> [a,d,c,b]); checked: Delta is the product, det the product, and H_1 of the '
        'double cover the direct sum of those of the summands.',
        '% info: crossings, positive and negative crossings, Seifert circles (checked: '
        'deg Delta <= crossings - circles + 1), kinks (crossings with a loop edge), source.',
    ]
    os.makedirs(os.path.dirname(OUT), exist_ok=True)
    with open(OUT, 'w') as f:
        f.write('\n'.join(header) + '\n')
        f.write('\n'.join(out) + '\n')
    ns = [len(pd) for _, pd, _ in rows]
    nontriv = sum(1 for l in lines if l.split(';')[0] != '1')
    print('wrote %s: %d diagrams (%d random polygons from %d tries, %d by Reidemeister I, '
          '%d connected sums), %d..%d crossings, %d with Delta != 1'
          % (OUT, len(rows), len(polys), tries, len(kinked), len(sums), min(ns), max(ns), nontriv))


if __name__ == '__main__':
    main()
