\\ Reference values for the Mahler measure, the Lickorish linking-form test and mu(K), computed
\\ from their definitions:
\\  - m(P) = log|lead P| + sum of log|a| over the roots a of P outside the unit circle (Jensen);
\\  - for C = V + V~ with cyclic cokernel of order |d|, d = det C, and a generator g with
\\    c = g~ adj(C) g: whether some x has x^2 c = 2 (mod d) ("plus") or x^2 c = -2 ("minus");
\\  - mu(K) = max(0, max sigma + eta) - min(0, min sigma - eta) over the unit circle, where sigma
\\    and eta are signature and nullity of (1-z)V + (1-conj z)V~ (via the real 2n x 2n form), at the
\\    roots of the Alexander polynomial on the circle and between them.
\\ Run from the repository root: gp -q scripts/make_issue5_reference.gp
default(realprecision, 120);
tomat(v) = matrix(#v, #v, i, j, v[i][j]);
readknots(path) = {
  my(lines = readstr(path), out = List());
  for (i = 1, #lines,
    my(l = lines[i]);
    if (#l == 0 || Vecsmall(l)[1] == 37, next);  \\ '%'
    my(v = Vecsmall(l), tab = 0);
    for (j = 1, #v, if (v[j] == 9, tab = j; break));
    listput(out, [strchr(v[1 .. tab - 1]), tomat(eval(strchr(v[tab + 1 .. #v])))]));
  Vec(out);
}
alex(V) = my(n = matsize(V)[1]); if (n == 0, 1, matdet(t * V - V~));
clean(P) = { my(Q = P); while (polcoef(Q, 0, t) == 0 && Q != 0, Q = Q / t); if (pollead(Q) < 0, -Q, Q); }
coeffstr(P) = { my(v = Vecrev(Pol(P, t)), s = ""); for (i = 1, #v, s = Str(s, if (i > 1, ",", ""), v[i])); s; }
oncircle(r) = abs(abs(r) - 1) < 1e-60;
mahler(P) = {
  if (poldegree(P) <= 0, return(log(abs(pollead(P)))));
  my(r = polroots(P), s = log(abs(pollead(P))));
  for (i = 1, #r, if (abs(r[i]) > 1 && !oncircle(r[i]), s += log(abs(r[i]))));
  s;
}
circleroots(P) = { my(r = polroots(P), c = 0); for (i = 1, #r, if (oncircle(r[i]), c++)); c; }
\\ Lickorish data: [d, cyclic, plus, minus].
lickorish(V) = {
  my(C = V + V~, n = matsize(C)[1], d = matdet(C), D = matsnf(C));
  my(nontrivial = sum(i = 1, #D, abs(D[i]) != 1));
  if (nontrivial > 1, return([d, 0, 0, 0]));
  if (abs(d) == 1, return([d, 1, 1, 1]));
  my(S = matsnf(C, 1), U = S[1], E = S[3], idx = 0);
  for (i = 1, n, if (abs(E[i, i]) != 1, idx = i));
  my(g = (U^-1)[, idx], c = g~ * matadjoint(C) * g, m = abs(d));
  [d, 1, issquare(Mod(2, m) / Mod(c, m)), issquare(Mod(-2, m) / Mod(c, m))];
}
signull(V, z) = {
  my(H = (1 - z) * V + (1 - conj(z)) * V~, A = real(H), B = imag(H));
  my(L = qfjacobi(matconcat([A, -B; B, A]))[1], p = 0, q = 0, o = 0);
  for (i = 1, #L, if (abs(L[i]) < 1e-50, o++, if (L[i] > 0, p++, q++)));
  [(p - q) / 2, o / 2];
}
\\ [mu, spread of sigma away from the roots, roots on the circle].
mu(V) = {
  my(P = alex(V), r = polroots(P), th = List());
  for (i = 1, #r, if (oncircle(r[i]), listput(th, frac(arg(r[i]) / (2 * Pi) + 1))));
  th = vecsort(Vec(th));
  my(pts = concat([0], concat(th, [1])), hi = 0, lo = 0, shi = 0, slo = 0);
  for (i = 1, #pts - 1,
    if (pts[i + 1] - pts[i] < 1e-50, next);
    my(s = signull(V, exp(2 * Pi * I * (pts[i] + pts[i + 1]) / 2))[1]);
    hi = max(hi, s); lo = min(lo, s); shi = max(shi, s); slo = min(slo, s));
  for (i = 1, #th,
    my(sn = signull(V, exp(2 * Pi * I * th[i])));
    hi = max(hi, sn[1] + sn[2]); lo = min(lo, sn[1] - sn[2]));
  [hi - lo, shi - slo, #th, if (#th, vecmin(th), 1/2)];
}
knots = readknots("tests/data/rolfsen-8-matrices.txt");
randoms = readstr("tests/data/random-seifert.tsv");
randommats = List();
{
  for (i = 1, #randoms,
    my(l = randoms[i], v = Vecsmall(l));
    if (v[1] == 37 || l == "" || v[1] == 110, next);  \\ '%' or "name"
    my(f = strsplit(l, "\t"));
    listput(randommats, [f[1], tomat(eval(f[2]))]));
}
randommats = Vec(randommats);

out = "tests/data/mahler-reference.tsv";
system(Str("rm -f ", out));
write(out, "% Logarithmic Mahler measures m(P) = log|lead P| + sum log|a| over the roots a outside the unit");
write(out, "% circle, from PARI/GP polroots at 120 digits (scripts/make_issue5_reference.gp).");
write(out, "% name<TAB>coefficients from t^0 up<TAB>m(P) to 30 digits<TAB>roots on the unit circle");
{
  my(polys = List());
  for (i = 1, #knots, listput(polys, [knots[i][1], clean(alex(knots[i][2]))]));
  for (i = 1, #randommats, my(P = clean(alex(randommats[i][2]))); if (poldegree(P) > 0, listput(polys, [randommats[i][1], P])));
  listput(polys, ["phi6", polcyclo(6, t)]);
  listput(polys, ["phi6^2", polcyclo(6, t)^2]);
  listput(polys, ["phi6*phi10", polcyclo(6, t) * polcyclo(10, t)]);
  listput(polys, ["phi12*phi15", polcyclo(12, t) * polcyclo(15, t)]);
  listput(polys, ["phi1*phi2*phi6", polcyclo(1, t) * polcyclo(2, t) * polcyclo(6, t)]);
  listput(polys, ["lehmer", t^10 + t^9 - t^7 - t^6 - t^5 - t^4 - t^3 + t + 1]);
  listput(polys, ["t^2-3t+1", t^2 - 3 * t + 1]);
  for (i = 1, #polys, my(P = polys[i][2]);
    write(out, polys[i][1], "\t", coeffstr(P), "\t", strprintf("%.30f", mahler(P)), "\t", circleroots(P)));
}

out = "tests/data/lickorish-reference.tsv";
system(Str("rm -f ", out));
write(out, "% The linking form of the 2-fold branched cover, from C = V + V^T by PARI/GP matsnf and issquare");
write(out, "% (scripts/make_issue5_reference.gp). d = det C with its sign; cyclic: coker C cyclic; plus/minus:");
write(out, "% some y has y^T adj(C) y = 2 resp. -2 (mod d), i.e. linking pairing 2/d resp. -2/d with adj(C) = d C^-1.");
write(out, "% name<TAB>d<TAB>cyclic<TAB>plus<TAB>minus");
{
  for (i = 1, #knots, my(L = lickorish(knots[i][2]));
    write(out, knots[i][1], "\t", L[1], "\t", L[2], "\t", L[3], "\t", L[4]));
  for (i = 1, #randommats, my(V = randommats[i][2]); if (matsize(V)[1] == 0, next); my(L = lickorish(V));
    write(out, randommats[i][1], "\t", L[1], "\t", L[2], "\t", L[3], "\t", L[4]));
}

out = "tests/data/mu-reference.tsv";
system(Str("rm -f ", out));
write(out, "% mu(K) of the knots of rolfsen-8-matrices.txt from its definition: signatures and nullities of");
write(out, "% (1-z)V + (1-conj z)V^T at the roots of the Alexander polynomial on the unit circle and between");
write(out, "% them, by PARI/GP qfjacobi at 120 digits (scripts/make_issue5_reference.gp).");
write(out, "% name<TAB>mu<TAB>spread of the signature between the roots<TAB>roots on the circle<TAB>smallest root angle");
{
  for (i = 1, #knots, my(M = mu(knots[i][2]));
    write(out, knots[i][1], "\t", M[1], "\t", M[2], "\t", M[3], "\t", strprintf("%.6f", M[4])));
}
quit;
