#!/usr/bin/env python3
"""Turns braid words into PD codes of their closures, and writes the random braid benchmark.

A braid word "name  {1,-2,3,...}" lists generators read left to right: letter i > 0 is sigma_i,
letter -i its inverse. Strand positions are x = 1..m, the braid is drawn upward (time y grows
with the letter index) and closed by arcs that return on the right, which adds no crossings.

At letter sigma_i the strand at position i moves to i+1 (direction (1,1)) and the strand at i+1
moves to i (direction (-1,1)). A crossing is positive when the cross product v x u of the over
direction v with the under direction u is positive; for (1,1) over (-1,1) it is 2 > 0, so for
sigma_i (positive) the strand going from i to i+1 passes over, and for sigma_i^-1 the strand
going from i+1 to i passes over (then v x u = (-1,1) x (1,1) = -2 < 0).

PD convention: one [a,b,c,d] per crossing, the four edge labels counterclockwise starting from the
incoming under-edge. Edges are numbered 1..2n along the orientation, edge k ending at the k-th
crossing visited, so the under strand runs a -> c = a+1 (mod 2n). The incoming under-edge lies
in direction -u from the crossing; turning it a quarter turn counterclockwise gives
(u_y, -u_x), and v . (u_y, -u_x) = v x u. So b is the outgoing over-edge exactly when the
crossing is positive: positive crossings read [a, o+1, a+1, o] (b - d = 1), negative ones
[a, o, a+1, o+1] (d - b = 1), where o is the incoming over-edge.

Usage:
  braids_to_pd.py FILE            prints the PD codes of the braid words in FILE
  braids_to_pd.py --bench         writes bench/data/knots-11-12-braids.txt and -pd.txt
  braids_to_pd.py --compare B P   compares Alexander polynomials (Fox calculus) of the closures
                                  of the braids in B with those of the PD codes in P
"""
import os
import random
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def cross(v, u):
    return v[0] * u[1] - v[1] * u[0]


def pd_tuple(under_in, over_in, v, u, n2):
    """The [a,b,c,d] of a crossing from its incoming edge labels and the plane directions v (over)
    and u (under); labels are 1..n2 and the label after n2 is 1."""
    nxt = lambda e: e % n2 + 1
    s = cross(v, u)
    assert s != 0
    if s > 0:
        return [under_in, nxt(over_in), nxt(under_in), over_in]
    return [under_in, over_in, nxt(under_in), nxt(over_in)]


def parse_word(text):
    m = re.search(r'\{([^}]*)\}', text)
    if not m:
        raise ValueError('no braid word in %r' % text)
    body = m.group(1).strip()
    return [int(x) for x in body.split(',')] if body else []


def read_braids(path):
    out = []
    for line in open(path):
        if line.startswith('%') or not line.strip():
            continue
        name = line.split()[0]
        out.append((name, parse_word(line)))
    return out


def braid_to_pd(word):
    """PD code (list of 4-lists) of the closure of the braid word, which must close to one
    component among the strands that meet a crossing; strands meeting no crossing are split
    unknots and are left out."""
    L = len(word)
    if L == 0:
        return []
    # Walk the closed braid from the bottom of position p0, listing crossing visits.
    p0 = abs(word[0])
    visits = []            # (letter index, position entered from, position left to)
    p, j = p0, 0           # at position p, just below letter j (cyclically)
    while len(visits) <= 2 * L:
        # next letter at index >= j touching p (wrapping round through the closure)
        for step in range(L):
            k = (j + step) % L
            i = abs(word[k])
            if p == i or p == i + 1:
                break
        if visits and (k, p) == visits[0][:2]:
            break
        q = i + 1 if p == i else i
        visits.append((k, p, q))
        p, j = q, (k + 1) % L
    if len(visits) != 2 * L:
        raise ValueError('closure has more than one component among the strands used '
                         '(walk met %d of %d crossing passes)' % (len(visits), 2 * L))
    n2 = 2 * L
    # edge label k+1 (1-based) ends at visit k (0-based); the visit's incoming edge is its index+1
    incoming = {}
    for idx, (k, p, q) in enumerate(visits):
        incoming.setdefault(k, {})[p] = idx + 1
    pd = []
    for k, g in enumerate(word):
        i = abs(g)
        up_right = incoming[k][i]       # strand from position i to i+1, direction (1,1)
        up_left = incoming[k][i + 1]    # strand from position i+1 to i, direction (-1,1)
        if g > 0:
            over_in, v, under_in, u = up_right, (1, 1), up_left, (-1, 1)
        else:
            over_in, v, under_in, u = up_left, (-1, 1), up_right, (1, 1)
        pd.append(pd_tuple(under_in, over_in, v, u, n2))
    return pd


def pd_string(pd):
    return 'PD[' + ','.join('[%d,%d,%d,%d]' % tuple(x) for x in pd) + ']'


def permutation_is_cycle(word, m):
    # position after the braid of the strand starting at position p
    def image(p):
        for g in word:
            i = abs(g)
            if p == i:
                p = i + 1
            elif p == i + 1:
                p = i
        return p
    p, seen = 1, 0
    while True:
        p = image(p)
        seen += 1
        if p == 1:
            break
    return seen == m


def random_braids(count, seed):
    """count random braid words on m = 4..6 strands with 11..16 letters whose closure is a knot
    (the permutation of the braid is one m-cycle, so every strand meets a crossing)."""
    rng = random.Random(seed)
    out = []
    while len(out) < count:
        m = rng.randint(4, 6)
        L = rng.randint(11, 16)
        word = [rng.choice((1, -1)) * rng.randint(1, m - 1) for _ in range(L)]
        if permutation_is_cycle(word, m):
            out.append((m, word))
    return out


def word_string(word):
    return '{' + ','.join(str(g) for g in word) + '}'


def write_bench(seed=20261208, count=2728):
    import make_diagram_reference as ref
    braids = random_braids(count, seed)
    names = ['rb%04d' % (i + 1) for i in range(count)]
    pds = [braid_to_pd(w) for m, w in braids]
    for pd in pds:
        ref.check_pd(pd)
    # Independent check of the conversion: Fox calculus on the PD code and the Burau
    # representation of the braid word must give the same Alexander polynomial.
    cmds = ['braid_line(%s, [%s], %d)' % (ref.gp_matrix(ref.wirtinger_matrix(pd)),
                                           ','.join(map(str, w)), m)
            for pd, (m, w) in zip(pds, braids)]
    lines = ref.run_gp(cmds)
    for name, line in zip(names, lines):
        fox, burau = line.split(';')
        assert fox == burau, (name, fox, burau)
    os.makedirs(os.path.join(ROOT, 'bench', 'data'), exist_ok=True)
    bpath = os.path.join(ROOT, 'bench', 'data', 'knots-11-12-braids.txt')
    ppath = os.path.join(ROOT, 'bench', 'data', 'knots-11-12-pd.txt')
    with open(bpath, 'w') as f:
        f.write('%% %d random braid words (4 to 6 strands, 11 to 16 letters, seed %d) whose closures '
                'are knots (the permutation is one cycle through every strand); letter i is sigma_i, '
                '-i its inverse, read left to right. Written by scripts/braids_to_pd.py --bench.\n'
                % (count, seed))
        for name, (m, w) in zip(names, braids):
            f.write('%-8s%s\n' % (name, word_string(w)))
    with open(ppath, 'w') as f:
        f.write('% PD codes of the closures of the braid words in knots-11-12-braids.txt, same names '
                '(one [a,b,c,d] per crossing, counterclockwise from the incoming under-edge, edges '
                'numbered 1..2n along the orientation; a crossing is positive iff b - d = 1 mod 2n, '
                'and sigma_i gives a positive crossing). Written by scripts/braids_to_pd.py --bench; '
                'the Alexander polynomial of every PD code (Fox calculus) was checked against the '
                'Burau representation of its braid word.\n')
        for name, pd in zip(names, pds):
            f.write('%-8s%s\n' % (name, pd_string(pd)))
    print('wrote %s and %s (%d knots, %d..%d crossings); Fox = Burau for all'
          % (bpath, ppath, count, min(map(len, pds)), max(map(len, pds))))


def read_pds(path):
    out = []
    for line in open(path):
        if line.startswith('%') or not line.strip():
            continue
        name, text = line.split(None, 1)
        out.append((name, [[int(x) for x in t.split(',')]
                           for t in re.findall(r'\[(\d+,\d+,\d+,\d+)\]', text)]))
    return out


def compare(braid_path, pd_path):
    import make_diagram_reference as ref
    braids = read_braids(braid_path)
    given = dict(read_pds(pd_path))
    names, cmds = [], []
    for name, w in braids:
        if name not in given:
            print('%s: no PD code in %s' % (name, pd_path))
            continue
        ours = braid_to_pd(w)
        ref.check_pd(ours)
        ref.check_pd(given[name])
        m = max(abs(g) for g in w) + 1
        names.append(name)
        cmds.append('braid_line(%s, %s, %d)' % (ref.gp_matrix(ref.wirtinger_matrix(ours)),
                                                  str(w).replace(' ', ''), m))
        cmds.append('alexander_line(%s)' % ref.gp_matrix(ref.wirtinger_matrix(given[name])))
        # the crossing signs of both PD codes must be those of the braid letters
        for pd in (ours, given[name]):
            signs = sorted(ref.crossing_sign(x, 2 * len(pd)) for x in pd)
            assert signs == sorted(1 if g > 0 else -1 for g in w), name
    lines = ref.run_gp(cmds)
    agree = 0
    for k, name in enumerate(names):
        fox_ours, burau = lines[2 * k].split(';')
        fox_given = lines[2 * k + 1]
        ok = fox_ours == fox_given == burau
        agree += ok
        print('%-6s ours %-24s given %-24s burau %-24s %s'
              % (name, fox_ours, fox_given, burau, 'agree' if ok else 'DIFFER'))
    print('%d of %d knots agree (Fox on our PD = Fox on given PD = Burau); crossing signs agree '
          'with the braid letters in both PD codes' % (agree, len(names)))
    return agree == len(names)


def main(argv):
    sys.path.insert(0, HERE)
    if len(argv) >= 2 and argv[1] == '--bench':
        write_bench()
    elif len(argv) == 4 and argv[1] == '--compare':
        sys.exit(0 if compare(argv[2], argv[3]) else 1)
    elif len(argv) == 2:
        for name, w in read_braids(argv[1]):
            print('%-8s%s' % (name, pd_string(braid_to_pd(w))))
    else:
        print(__doc__)
        sys.exit(2)


if __name__ == '__main__':
    main(sys.argv)
