\\ Reference values for the Mahler measure of integer polynomials with cyclotomic factors, multiple
\\ roots and roots on the unit circle, computed through the factorisation over Z:
\\   m(P) = log|content P| + sum over the irreducible factors f^e of e * m(f), where m(f) = 0 for
\\   t and for cyclotomic f, and otherwise m(f) = log|lead f| + sum of log|a| over the (simple)
\\   roots a of f outside the unit circle, from polroots at 150 digits.
\\ The cyclotomic part is listed as n^e for each factor Phi_n^e.
\\ Run from the repository root: gp -q scripts/make_mahler_roots_reference.gp
default(realprecision, 150);
setrand(1729);
oncircle(r) = abs(abs(r) - 1) < 1e-100;
coeffstr(P) = { my(v = Vecrev(P), s = ""); for (i = 1, #v, s = Str(s, if (i > 1, ",", ""), v[i])); s; }
\\ [m(P), roots on the circle, cyclotomic part]
info(P) = {
  my(F = factor(P), m = log(abs(content(P))), circle = 0, cyc = "");
  for (i = 1, #F~,
    my(f = F[i, 1], e = F[i, 2], n = poliscyclo(f));
    if (f == t, next);
    if (n,
      circle += e * poldegree(f);
      cyc = Str(cyc, if (cyc == "", "", ","), n, "^", e);
      next);
    my(r = polroots(f), mf = log(abs(pollead(f))));
    for (j = 1, #r,
      if (oncircle(r[j]), circle += e, if (abs(r[j]) > 1, mf += log(abs(r[j])))));
    m += e * mf);
  [m, circle, if (cyc == "", "-", cyc)];
}
fits(P) = { my(v = Vec(P)); for (i = 1, #v, if (abs(v[i]) >= 2^63, return(0))); 1; }
\\ A polynomial of degree d with coefficients in -b..b and nonzero end coefficients.
randpoly(d, b) = {
  my(v = vector(d + 1, i, random(2 * b + 1) - b));
  while (v[1] == 0, v[1] = random(2 * b + 1) - b);
  while (v[d + 1] == 0, v[d + 1] = random(2 * b + 1) - b);
  Pol(v, t);
}
\\ A product of k cyclotomic polynomials Phi_n with phi(n) <= maxdeg (repetitions allowed).
randcyclo(k, maxdeg) = {
  my(ns = select(n -> eulerphi(n) <= maxdeg, [1 .. 6 * maxdeg^2]), P = 1);
  for (i = 1, k, P *= polcyclo(ns[random(#ns) + 1], t));
  P;
}
torus(p, q) = (t^(p * q) - 1) * (t - 1) / ((t^p - 1) * (t^q - 1));
lehmer = t^10 + t^9 - t^7 - t^6 - t^5 - t^4 - t^3 + t + 1;
salem4 = t^4 - t^3 - t^2 - t + 1;  \\ a real root 1.7220838..., its inverse and two roots on the circle
salem6 = t^6 - t^4 - t^3 - t^2 + 1;

out = "tests/data/mahler-roots-reference.tsv";
system(Str("rm -f ", out));
write(out, "% Logarithmic Mahler measures m(P) through the factorisation of P over Z, polroots of the");
write(out, "% non-cyclotomic factors at 150 digits (scripts/make_mahler_roots_reference.gp).");
write(out, "% name<TAB>coefficients from t^0 up<TAB>m(P) to 30 digits<TAB>roots on the unit circle<TAB>cyclotomic factors n^e");
{
  my(polys = List());
  foreach([[2, 9], [2, 11], [3, 5], [3, 7], [4, 5], [5, 6], [7, 11], [11, 13]], pq,
    listput(polys, [Str("T(", pq[1], ",", pq[2], ")"), torus(pq[1], pq[2])]));
  listput(polys, ["lehmer", lehmer]);
  listput(polys, ["lehmer^2", lehmer^2]);
  listput(polys, ["lehmer*phi7*phi18", lehmer * polcyclo(7, t) * polcyclo(18, t)]);
  listput(polys, ["salem4", salem4]);
  listput(polys, ["salem4^3", salem4^3]);
  listput(polys, ["salem6*phi1^2*t^3", salem6 * polcyclo(1, t)^2 * t^3]);
  listput(polys, ["(2t^2-3t+2)^2", (2 * t^2 - 3 * t + 2)^2]);
  listput(polys, ["(t^2-3t+1)^2*phi5", (t^2 - 3 * t + 1)^2 * polcyclo(5, t)]);
  listput(polys, ["6*phi30*phi42", 6 * polcyclo(30, t) * polcyclo(42, t)]);
  listput(polys, ["-phi105", -polcyclo(105, t)]);
  listput(polys, ["(2^62-1)t-2^61", (2^62 - 1) * t - 2^61]);
  listput(polys, ["(2^40+1)*phi3^2", (2^40 + 1) * polcyclo(3, t)^2]);
  \\ Two simple roots 2^-29 apart on either side of the circle; two roots near 1/50 (Mignotte).
  listput(polys, ["(2^30t-2^30-1)((2^30+1)t-2^30)", (2^30 * t - 2^30 - 1) * ((2^30 + 1) * t - 2^30)]);
  listput(polys, ["t^20-2(50t-1)^2", t^20 - 2 * (50 * t - 1)^2]);
  listput(polys, ["(2t-3)^8", (2 * t - 3)^8]);
  listput(polys, ["(t^2-t-1)^10", (t^2 - t - 1)^10]);
  \\ Random polynomials times cyclotomic factors, some with a power of t.
  for (i = 1, 40,
    my(P = randpoly(2 + random(15), 1 + random(12)) * randcyclo(1 + random(3), 12) * t^(random(4) == 0));
    listput(polys, [Str("rc", i), P]));
  \\ Squares and cubes: multiple roots, inside, outside and on the circle.
  for (i = 1, 12,
    my(P = randpoly(2 + random(6), 1 + random(5))^(2 + (i > 9)) * if (i % 3 == 0, randcyclo(1, 8), 1));
    listput(polys, [Str("sq", i), P]));
  \\ Large degrees and coefficients.
  for (i = 1, 8,
    my(P);
    until (fits(P), P = randpoly(40 + random(70), 2^(20 + random(36))) * randcyclo(1 + random(4), 24));
    listput(polys, [Str("big", i), P]));
  for (i = 1, 2,
    my(P = randpoly(130 + random(11), 2^62));
    listput(polys, [Str("wide", i), P]));
  for (i = 1, #polys,
    my(P = polys[i][2], I = info(P));
    write(out, polys[i][1], "\t", coeffstr(P), "\t", strprintf("%.30f", I[1]), "\t", I[2], "\t", I[3]));
}
quit;
