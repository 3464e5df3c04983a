\\ Reference values for the linking form tables and the linking pairing obstruction to algebraic
\\ unknotting number 2, computed from their definitions:
\\  - the 2 x 2 and 3 x 3 symmetric forms over Z/4 congruent (A F A~, det A odd) to the standard
\\    forms, in order of discovery over A enumerated by its base-4 digits column by column;
\\  - for a Seifert matrix V with C = V + V~, d = det C, D = |d| and signature s: whether some
\\    pair x1, x2 generating H = coker C (PARI matsnf; generation by the Hermite form of the
\\    relations and x1, x2) has 2 D lambda(x_p, x_q) = adj(F)[p, q] (mod D), lambda = C^-1 on H,
\\    for a candidate form F = [[p, r], [r, q]] of determinant +-D (or one of the extra forms).
\\ Run from the repository root: gp -q scripts/make_linking_reference.gp < /dev/null
\\ (writes tests/data/linking-forms-3.txt, linking-pairing-knots.txt and linking-pairing-reference.tsv).
tomat(v) = matrix(#v, #v, i, j, v[i][j]);
readknots(path) = {
  my(lines = readstr(path), out = List());
  for (i = 1, #lines,
    my(l = lines[i]);
    if (#l == 0 || Vecsmall(l)[1] == 37, next);
    my(v = Vecsmall(l), tab = 0);
    for (j = 1, #v, if (v[j] == 9, tab = j; break));
    listput(out, [strchr(v[1 .. tab - 1]), tomat(eval(strchr(v[tab + 1 .. #v])))]));
  Vec(out);
}
digitmat(c, n) = { my(A = matrix(n, n)); for (j = 1, n, for (i = 1, n, A[i, j] = c % 4; c \= 4)); A; }
formtable(n, std) = {
  my(t = List());
  for (c = 1, 4^(n * n),
    my(A = digitmat(c, n));
    if (matdet(A) % 2 == 0, next);
    for (k = 1, #std,
      my(R = (A * std[k] * A~) % 4);
      my(seen = 0);
      for (e = 1, #t, if (t[e] == R, seen = 1; break));
      if (!seen, listput(t, R))));
  Vec(t);
}
std2 = [matid(2), [1, 2; 2, 1]];
stdform3(b) = {
  my(U = matid(3));
  U[1, 2] = U[2, 1] = 2 * (b % 2); U[1, 3] = U[3, 1] = 2 * ((b \ 2) % 2);
  U[2, 3] = U[3, 2] = 2 * (b \ 4); U;
}
std3 = vector(8, k, stdform3(k - 1));
T2 = formtable(2, std2);
T3 = formtable(3, std3);
\\ Candidate forms [p, q, r] by the defining loops (no shortcuts).
mod4ok(p, q, r, s) = {
  for (i = 1, #T2, my(T = T2[i]);
    if ((s * T[1, 1] - p) % 4 == 0 && (T[1, 2] - r) % 4 == 0 && (s * T[2, 2] - q) % 4 == 0, return(1)));
  0;
}
addcand(~L, p, q, r, sg) = {
  if ((p + q + r) % 2 != 0 || (p % 2 == 0 && q % 2 == 0), return);
  if (abs(sg) == 4 && !mod4ok(p, q, r, if (sg == 4, -1, 1)), return);
  listput(L, [p, q, r]);
}
candidates(D, sg) = {
  my(L = List());
  if (abs(sg) != 4,
    for (a = -D, D, for (b = -abs(a), abs(a), for (c = 0, abs(b) \ 2,
      if (a * b - c^2 == D || a * b - c^2 == -D, addcand(~L, b, a, c, sg)))));
    if (issquare(D), my(r = sqrtint(D)); for (x = -r, r, addcand(~L, x, 0, r, sg)));
    addcand(~L, -3, 0, 9, sg),
    my(e = if (sg == 4, 1, -1));
    for (a = 1, D, for (b = 1, a, for (c = 0, b - 1,
      if (a * b - c^2 == D, addcand(~L, e * b, e * a, e * c, sg))))));
  Vec(L);
}
\\ The element with odometer index m (last coordinate fastest) of the product of Z/O[i].
vecof(m, O) = { my(k = #O, x = vector(k)); forstep(i = k, 1, -1, x[i] = m % O[i]; m \= O[i]); x~; }
\\ 1 = no obstruction, 0 = obstruction (u_a >= 3).
u2test(V) = {
  my(C = V + V~, n = matsize(C)[1], d = matdet(C), D = abs(d), sg = qfsign(C), s = sg[1] - sg[2]);
  if (abs(s) > 4, return([s, d, 1, -1]));
  my(cand = candidates(D, s));
  my(S = matsnf(C, 1), U = S[1], E = S[3], Ui = U^-1, gens = List(), ords = List());
  for (i = 1, n, if (abs(E[i, i]) != 1, listput(gens, Ui[, i]); listput(ords, abs(E[i, i]))));
  my(k = #gens, Ci = C^-1);
  if (#matsnf(C, 4) > 2, return([s, d, 0, #cand]));
  if (k == 0, return([s, d, 1, #cand]));
  my(Lam = matrix(k, k, i, j, gens[i]~ * Ci * gens[j]));
  my(O = Vec(ords), total = prod(i = 1, k, O[i]));
  for (m1 = 0, total - 1, my(x1 = vecof(m1, O));
    for (m2 = 0, total - 1, my(x2 = vecof(m2, O), X = matconcat([x1, x2]));
      my(W = X~ * Lam * X);
      my(fits = 0);
      for (t = 1, #cand, my(p = cand[t][1], q = cand[t][2], r = cand[t][3], A = [q, -r; -r, p]);
        my(ok = 1);
        for (i = 1, 2, for (j = 1, 2, if (denominator(2 * D * W[i, j] - A[i, j]) != 1
            || numerator(2 * D * W[i, j] - A[i, j]) % D != 0, ok = 0)));
        if (ok, fits = 1; break));
      if (fits && matdet(mathnf(matconcat([matdiagonal(O), X]))) == 1, return([s, d, 1, #cand]))));
  [s, d, 0, #cand];
}

\\ Output: the 3 x 3 table one entry per line (cong34.txt without its CR), the test knots and the
\\ verdicts [signature, det C, 1 = no obstruction / 0 = obstruction, number of candidate forms].
mattext(V) = {
  my(n = matsize(V)[1], s = "[");
  for (i = 1, n, s = Str(s, if (i > 1, ", ", ""), "[");
    for (j = 1, n, s = Str(s, if (j > 1, ", ", ""), V[i, j])); s = Str(s, "]"));
  Str(s, "]");
}
blocksum(A, B) = matconcat(matdiagonal([A, B]));
rolfsen = readknots("tests/data/rolfsen-8-matrices.txt");
knotnamed(nm) = { for (i = 1, #rolfsen, if (rolfsen[i][1] == nm, return(rolfsen[i][2]))); error(nm); }
{
  my(f = "tests/data/linking-forms-3.txt");
  system(Str("rm -f ", f));
  for (e = 1, #T3, for (i = 1, 3, for (j = 1, 3, write(f, T3[e][i, j]))));
  my(tests = List());
  for (i = 1, #rolfsen,
    listput(tests, rolfsen[i]);
    listput(tests, [Str("m", rolfsen[i][1]), -rolfsen[i][2]]));
  my(pairs = [["3_1", "3_1"], ["3_1", "4_1"], ["3_1", "5_2"], ["4_1", "4_1"], ["5_2", "5_2"],
              ["6_1", "6_1"], ["3_1", "7_2"]]);
  for (i = 1, #pairs, for (e = 0, 1,
    listput(tests, [Str(pairs[i][1], if (e, "#m", "#"), pairs[i][2]),
                    blocksum(knotnamed(pairs[i][1]), (-1)^e * knotnamed(pairs[i][2]))])));
  my(triples = [["3_1", "3_1", "3_1"], ["3_1", "3_1", "4_1"], ["3_1", "4_1", "4_1"],
                ["3_1", "4_1", "5_2"], ["3_1", "5_1", "5_1"], ["3_1", "3_1", "5_1"]]);
  for (i = 1, #triples, for (e = 0, 3,
    my(t = triples[i], nm = Str(t[1], if (e % 2, "#m", "#"), t[2], if (e \ 2, "#m", "#"), t[3]));
    listput(tests, [nm, blocksum(blocksum(knotnamed(t[1]), (-1)^(e % 2) * knotnamed(t[2])),
                                 (-1)^(e \ 2) * knotnamed(t[3]))])));
  my(fk = "tests/data/linking-pairing-knots.txt", fr = "tests/data/linking-pairing-reference.tsv");
  system(Str("rm -f ", fk, " ", fr));
  write(fk, "% Prime knots up to 8 crossings (m: the mirror image, Seifert matrix -V) and connected");
  write(fk, "% sums (block sums of Seifert matrices) for the linking pairing obstruction to u_a = 2.");
  write(fr, "% The linking pairing obstruction to u_a = 2 by PARI/GP from its definition");
  write(fr, "% (scripts/make_linking_reference.gp): signature and det of V + V^T, verdict (1 = no");
  write(fr, "% obstruction, 0 = u_a >= 3) and the number of candidate forms (-1: none, |signature| > 4).");
  write(fr, "% name<TAB>signature<TAB>det<TAB>verdict<TAB>candidates");
  for (i = 1, #tests,
    my(r = u2test(tests[i][2]));
    write(fk, tests[i][1], "\t", mattext(tests[i][2]));
    write(fr, tests[i][1], "\t", r[1], "\t", r[2], "\t", r[3], "\t", r[4]));
}
