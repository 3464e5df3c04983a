\\ Reference values for the Mahler measure of reciprocal and anti-reciprocal integer polynomials
\\ (the route through the half-degree trace polynomial), computed through the factorisation over Z
\\ as in make_mahler_roots_reference.gp:
\\   m(P) = log|content P| + sum over the irreducible factors f^e of e * m(f), where m(f) = 0 for
\\   t and for cyclotomic f, and otherwise m(f) = log|lead f| + sum of log|a| over the (simple)
\\   roots a of f outside the unit circle, from polroots at 150 digits.
\\ The cyclotomic part is listed as n^e for each factor Phi_n^e.
\\ Run from the repository root: gp -q scripts/make_mahler_reciprocal_reference.gp
default(realprecision, 150);
setrand(4711);
oncircle(r) = abs(abs(r) - 1) < 1e-100;
coeffstr(P) = { my(v = Vecrev(P), s = ""); for (i = 1, #v, s = Str(s, if (i > 1, ",", ""), v[i])); s; }
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
\\ A reciprocal polynomial of degree 2h: coefficients in -b..b, mirrored, nonzero ends.
randrecip(h, b) = {
  my(v = vector(h + 1, i, random(2 * b + 1) - b));
  while (v[1] == 0, v[1] = random(2 * b + 1) - b);
  Pol(concat(v, Vecrev(v[1 .. h])), t);
}
\\ A product of k cyclotomic polynomials Phi_n, n >= 3, with phi(n) <= maxdeg.
randcyclo(k, maxdeg) = {
  my(ns = select(n -> n >= 3 && eulerphi(n) <= maxdeg, [1 .. 6 * maxdeg^2]), P = 1);
  for (i = 1, k, P *= polcyclo(ns[random(#ns) + 1], t));
  P;
}
torus(p, q) = (t^(p * q) - 1) * (t - 1) / ((t^p - 1) * (t^q - 1));
\\ Roots x = 2 + 1/N and x = -2 - 1/N of q: a pair t, 1/t at distance about N^(-1/2) from 1 or -1.
nearone(N) = N * t^2 - (2 * N + 1) * t + N;
nearminusone(N) = N * t^2 + (2 * N + 1) * t + N;
\\ x = 2 - 1/N: a pair on the circle at angle about N^(-1/2) from 1.
circlenearone(N) = N * t^2 - (2 * N - 1) * t + N;

out = "tests/data/mahler-reciprocal-reference.tsv";
system(Str("rm -f ", out));
write(out, "% Logarithmic Mahler measures m(P) of reciprocal and anti-reciprocal polynomials through the");
write(out, "% factorisation of P over Z, polroots of the non-cyclotomic factors at 150 digits");
write(out, "% (scripts/make_mahler_reciprocal_reference.gp).");
write(out, "% name<TAB>coefficients from t^0 up<TAB>m(P) to 30 digits<TAB>roots on the unit circle<TAB>cyclotomic factors n^e");
{
  my(polys = List());
  foreach([[2, 3], [2, 5], [3, 4], [2, 13], [3, 8], [5, 7], [4, 9], [6, 7]], pq,
    listput(polys, [Str("T(", pq[1], ",", pq[2], ")"), torus(pq[1], pq[2])]));
  \\ Connected sums of torus knots with a figure eight and with each other.
  listput(polys, ["T(2,3)*T(3,4)", torus(2, 3) * torus(3, 4)]);
  listput(polys, ["T(2,5)*4_1", torus(2, 5) * (t^2 - 3 * t + 1)]);
  listput(polys, ["T(3,5)*4_1^2", torus(3, 5) * (t^2 - 3 * t + 1)^2]);
  \\ Roots near 1 and -1 off the circle, alone, together and with other factors.
  foreach([10, 1000, 10^6, 10^9, 2^40, 10^18], N,
    listput(polys, [Str("near1(", N, ")"), nearone(N)]));
  foreach([10, 1000, 10^6, 10^9, 2^40, 10^18], N,
    listput(polys, [Str("near-1(", N, ")"), nearminusone(N)]));
  foreach([1000, 10^6, 10^9], N,
    listput(polys, [Str("circle-near1(", N, ")"), circlenearone(N)]));
  listput(polys, ["near1(10^6)*near-1(10^4)", nearone(10^6) * nearminusone(10^4)]);
  listput(polys, ["near1(10^8)*4_1", nearone(10^8) * (t^2 - 3 * t + 1)]);
  listput(polys, ["near1(10^5)*5_2*phi6", nearone(10^5) * (2 * t^2 - 3 * t + 2) * polcyclo(6, t)]);
  listput(polys, ["near1(10^6)*circle-near1(10^6)", nearone(10^6) * circlenearone(10^6)]);
  listput(polys, ["near1(10^4)*near1(10^4+1)", nearone(10^4) * nearone(10^4 + 1)]);
  listput(polys, ["near1(1000)^2", nearone(1000)^2]);
  \\ Close roots of the trace polynomial: x = 3 and x = 3 + 1/N.
  foreach([10^3, 10^6, 10^9], N,
    listput(polys, [Str("close(", N, ")"), (t^2 - 3 * t + 1) * (N * t^2 - (3 * N + 1) * t + N)]));
  \\ Anti-reciprocal and odd-degree reciprocal polynomials, powers of t.
  listput(polys, ["(t-1)*4_1", (t - 1) * (t^2 - 3 * t + 1)]);
  listput(polys, ["(t+1)*6_2", (t + 1) * (t^4 - 3 * t^3 + 3 * t^2 - 3 * t + 1)]);
  listput(polys, ["(t-1)^3*(t+1)*7_2", (t - 1)^3 * (t + 1) * (3 * t^2 - 5 * t + 3)]);
  listput(polys, ["t^3*(t-1)*salem6", t^3 * (t - 1) * (t^6 - t^4 - t^3 - t^2 + 1)]);
  listput(polys, ["-(t^2-t-1)(t^2+t-1)", -(t^2 - t - 1) * (t^2 + t - 1)]);
  \\ Multiple roots: squares and cubes of reciprocal non-cyclotomic factors.
  listput(polys, ["4_1^2", (t^2 - 3 * t + 1)^2]);
  listput(polys, ["4_1^3*phi10", (t^2 - 3 * t + 1)^3 * polcyclo(10, t)]);
  listput(polys, ["salem4^2", (t^4 - t^3 - t^2 - t + 1)^2]);
  for (i = 1, 6,
    my(P = randrecip(1 + random(3), 1 + random(6))^(2 + (i > 4)) * if (i % 2, randcyclo(1, 6), 1));
    listput(polys, [Str("rsq", i), P]));
  \\ Random reciprocal polynomials, alone and times cyclotomic factors.
  for (i = 1, 30,
    my(P = randrecip(1 + random(10), 1 + random(30)) * if (i % 3 == 0, randcyclo(1 + random(3), 12), 1));
    listput(polys, [Str("rr", i), P]));
  \\ Large degrees and coefficients.
  for (i = 1, 6,
    my(P);
    until (fits(P), P = randrecip(15 + random(40), 2^(10 + random(40))) * if (i % 2, randcyclo(1 + random(3), 16), 1));
    listput(polys, [Str("rbig", i), P]));
  for (i = 1, #polys,
    my(P = polys[i][2], I = info(P));
    write(out, polys[i][1], "\t", coeffstr(P), "\t", strprintf("%.30f", I[1]), "\t", I[2], "\t", I[3]));
}
quit;
