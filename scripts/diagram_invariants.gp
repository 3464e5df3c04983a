\\ Exact algebra for scripts/make_diagram_reference.py and scripts/braids_to_pd.py.
\\ The Python scripts read this file and then feed gp (gp -q) one command per knot; each command
\\ prints one line.
\\
\\ A knot's Alexander matrix M(t) is the abelianised Fox Jacobian of a presentation of its group
\\ with as many relations as generators (one relation is a consequence of the others). Every
\\ minor of order n-1 equals +-t^k Delta(t), so the last row and the last column are deleted.

\\ Delta normalised: no negative or missing low powers of t, Delta(1) = 1, and it must be symmetric.
normalise_alexander(p) = {
  my(q);
  if (p == 0, error("vanishing Alexander determinant"));
  p = p / t^valuation(p, t);
  if (subst(p, t, 1) < 0, p = -p);
  if (subst(p, t, 1) != 1, error("Delta(1) is not +-1: ", p));
  q = t^poldegree(p, t) * subst(p, t, 1/t);
  if (simplify(q - p) != 0, error("Delta is not symmetric: ", p));
  p;
}

corner(M) = {
  my(n = matsize(M)[1]);
  if (n <= 1, return(matrix(0, 0)));
  M[1..n-1, 1..n-1];
}

joinvec(v) = {
  my(s = "");
  for (i = 1, #v, s = Str(s, if (i > 1, ",", ""), v[i]));
  s;
}

\\ One line: Alexander coefficients from t^0 up ; |det| ; invariant factors > 1 of the
\\ presentation matrix M(-1) of H_1 of the 2-fold branched cover (or 0 when that group is trivial).
\\ The checks |Delta(-1)| = |det M(-1)| = product of the invariant factors are made here.
knot_line(M) = {
  my(p, m1, d, f, pr = 1);
  p = normalise_alexander(matdet(corner(M)));
  m1 = corner(subst(M, t, -1));
  d = abs(matdet(m1));
  if (d != abs(subst(p, t, -1)), error("|Delta(-1)| differs from det"));
  f = select(x -> abs(x) > 1, matsnf(m1));
  f = vecsort(apply(abs, f));
  for (i = 1, #f, pr *= f[i]);
  if (pr != d, error("invariant factors do not multiply to det"));
  print(joinvec(Vecrev(p)), ";", d, ";", if (#f == 0, "0", joinvec(f)));
}

\\ Reduced check through the Burau representation of a braid on m strands: sigma_i acts on the
\\ free group as x_i -> x_i x_{i+1} x_i^-1, x_{i+1} -> x_i (inverse letters by the inverse map).
\\ Its Fox Jacobian, abelianised, is the Burau block [1-t, t; 1, 0] (inverse: [0, 1; 1/t, 1-1/t]).
\\ The closure's group is <x_1..x_m | beta(x_i) = x_i>, whose Alexander matrix is B - 1; one
\\ relation is redundant, so a corner minor of B - 1 is Delta up to a unit.
burau_alexander(w, m) = {
  my(B = matid(m), g, i);
  for (k = 1, #w,
    i = abs(w[k]);
    g = matid(m);
    if (w[k] > 0,
      g[i, i] = 1 - t; g[i, i+1] = t; g[i+1, i] = 1; g[i+1, i+1] = 0,
      g[i, i] = 0; g[i, i+1] = 1; g[i+1, i] = 1/t; g[i+1, i+1] = 1 - 1/t);
    B = B * g);
  normalise_alexander(numerator(matdet(corner(B - matid(m)))));
}

\\ One line: Alexander coefficients of the closure through Fox calculus on the diagram's Wirtinger
\\ matrix M, then the same through the Burau representation, separated by ';'.
braid_line(M, w, m) = {
  my(p = normalise_alexander(matdet(corner(M))), q = burau_alexander(w, m));
  print(joinvec(Vecrev(p)), ";", joinvec(Vecrev(q)));
}

\\ One line: Alexander coefficients only.
alexander_line(M) = print(joinvec(Vecrev(normalise_alexander(matdet(corner(M))))));
