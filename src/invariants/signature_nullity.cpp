#include "invariants/signature_nullity.h"

#include <flint/fmpq.h>
#include <flint/fmpq_poly.h>
#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>
#include <flint/fmpz_poly.h>
#include <flint/fmpz_poly_factor.h>
#include <flint/fmpz_vec.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "arith/big_integer.h"
#include "invariants/exact_signature.h"

namespace corvane {

namespace {

// Bisections allowed for one root before the evaluation gives up.
constexpr int kMaxBisections = 400;

class Rat {
  public:
    Rat() { fmpq_init(x_); }
    Rat(const Rat& o) {
        fmpq_init(x_);
        fmpq_set(x_, o.x_);
    }
    Rat& operator=(const Rat& o) {
        fmpq_set(x_, o.x_);
        return *this;
    }
    ~Rat() { fmpq_clear(x_); }
    fmpq* get() { return x_; }
    const fmpq* get() const { return x_; }
    std::string Text() const {
        char* s = fmpq_get_str(nullptr, 10, x_);
        std::string text(s);
        flint_free(s);
        return text;
    }

  private:
    fmpq_t x_;
};

class QPoly {
  public:
    QPoly() { fmpq_poly_init(p_); }
    QPoly(const QPoly& o) {
        fmpq_poly_init(p_);
        fmpq_poly_set(p_, o.p_);
    }
    QPoly& operator=(const QPoly& o) {
        fmpq_poly_set(p_, o.p_);
        return *this;
    }
    ~QPoly() { fmpq_poly_clear(p_); }
    fmpq_poly_struct* get() { return p_; }
    const fmpq_poly_struct* get() const { return p_; }

  private:
    fmpq_poly_t p_;
};

int SignAt(const QPoly& p, const Rat& x) {
    Rat y;
    fmpq_poly_evaluate_fmpq(y.get(), p.get(), x.get());
    return fmpq_sgn(y.get());
}

// The Sturm sequence of a square-free p.
std::vector<QPoly> SturmSequence(const QPoly& p) {
    std::vector<QPoly> chain{p};
    QPoly d;
    fmpq_poly_derivative(d.get(), p.get());
    while (!fmpq_poly_is_zero(d.get())) {
        chain.push_back(d);
        QPoly r;
        fmpq_poly_rem(r.get(), chain[chain.size() - 2].get(), d.get());
        fmpq_poly_neg(r.get(), r.get());
        d = r;
    }
    return chain;
}

int SignChanges(const std::vector<QPoly>& chain, const Rat& x) {
    int changes = 0;
    int last = 0;
    for (const QPoly& p : chain) {
        const int s = SignAt(p, x);
        if (s == 0) continue;
        if (last != 0 && s != last) ++changes;
        last = s;
    }
    return changes;
}

void Midpoint(Rat& mid, const Rat& lo, const Rat& hi) {
    fmpq_add(mid.get(), lo.get(), hi.get());
    fmpq_div_2exp(mid.get(), mid.get(), 1);
}

// |f(c)| > Σ_{k>=1} |f_k|·r^k for f(c + x) = Σ f_k x^k: f has no root in [c - r, c + r].
bool TaylorSeparated(const QPoly& f, const Rat& lo, const Rat& hi) {
    Rat c;
    Rat r;
    Midpoint(c, lo, hi);
    fmpq_sub(r.get(), hi.get(), lo.get());
    fmpq_div_2exp(r.get(), r.get(), 1);
    QPoly shift;
    fmpq_poly_set_coeff_fmpq(shift.get(), 0, c.get());
    fmpq_poly_set_coeff_si(shift.get(), 1, 1);
    QPoly g;
    fmpq_poly_compose(g.get(), f.get(), shift.get());
    Rat head;
    Rat tail;
    Rat term;
    Rat power;
    fmpq_one(power.get());
    fmpq_poly_get_coeff_fmpq(head.get(), g.get(), 0);
    fmpq_abs(head.get(), head.get());
    for (long k = 1; k < fmpq_poly_length(g.get()); ++k) {
        fmpq_mul(power.get(), power.get(), r.get());
        fmpq_poly_get_coeff_fmpq(term.get(), g.get(), k);
        fmpq_abs(term.get(), term.get());
        fmpq_mul(term.get(), term.get(), power.get());
        fmpq_add(tail.get(), tail.get(), term.get());
    }
    return fmpq_cmp(head.get(), tail.get()) > 0;
}

struct Root {
    Rat lo;
    Rat hi;
    long factor = 0;  // index into the factorisation of det N
};

// Narrows [lo, hi] around the one root of m in it (m(lo)·m(hi) < 0) until lo > 0, P(lo) and P(hi)
// are non-zero and P' is Taylor-separated from 0 on it. False when the bisections run out.
bool Refine(Root& root, const QPoly& m, const QPoly& p, const QPoly& dp) {
    for (int step = 0; step < kMaxBisections; ++step) {
        const bool done = fmpq_sgn(root.lo.get()) > 0 && SignAt(p, root.lo) != 0 &&
                          SignAt(p, root.hi) != 0 && TaylorSeparated(dp, root.lo, root.hi);
        if (done) return true;
        Rat mid;
        Midpoint(mid, root.lo, root.hi);
        const int atMid = SignAt(m, mid);
        if (atMid == 0) {
            // A rational root: centre a smaller interval on it.
            Rat quarter;
            fmpq_sub(quarter.get(), root.hi.get(), root.lo.get());
            fmpq_div_2exp(quarter.get(), quarter.get(), 2);
            fmpq_sub(root.lo.get(), mid.get(), quarter.get());
            fmpq_add(root.hi.get(), mid.get(), quarter.get());
        } else if (SignAt(m, root.lo) * atMid < 0) {
            root.hi = mid;
        } else {
            root.lo = mid;
        }
    }
    return false;
}

// The positive roots of the irreducible m, each in an interval with one sign change of m.
std::vector<Root> PositiveRoots(const QPoly& m, long index) {
    std::vector<Root> roots;
    const long d = fmpq_poly_degree(m.get());
    if (d < 1) return roots;
    // Cauchy's bound 1 + max |m_k / m_d|.
    Rat bound;
    Rat lead;
    Rat c;
    fmpq_poly_get_coeff_fmpq(lead.get(), m.get(), d);
    for (long k = 0; k < d; ++k) {
        fmpq_poly_get_coeff_fmpq(c.get(), m.get(), k);
        fmpq_div(c.get(), c.get(), lead.get());
        fmpq_abs(c.get(), c.get());
        if (fmpq_cmp(c.get(), bound.get()) > 0) bound = c;
    }
    fmpq_add_si(bound.get(), bound.get(), 1);
    if (d == 1) {
        // τ = -m_0/m_1.
        fmpq_poly_get_coeff_fmpq(c.get(), m.get(), 0);
        fmpq_div(c.get(), c.get(), lead.get());
        fmpq_neg(c.get(), c.get());
        if (fmpq_sgn(c.get()) <= 0) return roots;
        Root root;
        root.factor = index;
        fmpq_div_2exp(root.lo.get(), c.get(), 1);
        fmpq_add(root.hi.get(), c.get(), root.lo.get());
        roots.push_back(root);
        return roots;
    }
    const std::vector<QPoly> chain = SturmSequence(m);
    std::vector<std::pair<Rat, Rat>> pending{{Rat(), bound}};
    int steps = 0;
    while (!pending.empty() && ++steps < 100000) {
        auto [lo, hi] = pending.back();
        pending.pop_back();
        const int count = SignChanges(chain, lo) - SignChanges(chain, hi);
        if (count == 0) continue;
        if (count == 1 && fmpq_sgn(lo.get()) > 0) {
            Root root;
            root.lo = lo;
            root.hi = hi;
            root.factor = index;
            roots.push_back(root);
            continue;
        }
        Rat mid;
        Midpoint(mid, lo, hi);
        pending.emplace_back(lo, mid);
        pending.emplace_back(mid, hi);
    }
    return roots;
}

// sign(τS - iK) at τ = a/b > 0: half the signature of M + Mᵀ for M = [[aV, bV], [-bV, aV]],
// since M + Mᵀ = [[aS, bK], [-bK, aS]] = b·N(τ).
int32_t SignatureAt(const IntMatrix& v, int n, const Rat& tau) {
    BigMatrix m(2 * n, 2 * n);
    const fmpz* a = fmpq_numref(tau.get());
    const fmpz* b = fmpq_denref(tau.get());
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            fmpz_mul_si(m(i, j), a, v(i, j));
            fmpz_mul_si(m(n + i, n + j), a, v(i, j));
            fmpz_mul_si(m(i, n + j), b, v(i, j));
            fmpz_mul_si(m(n + i, j), b, -v(i, j));
        }
    }
    return ExactSignature(m) / 2;
}

// The geometric multiplicity of the roots of m as eigenvalues of A = -diag(S, S)⁻¹·[[0, K],
// [-K, 0]]: dim ker m(A) / deg m, with m(A) scaled to s^d·m(A) = Σ m_k s^(d-k) B^k, B = s·A
// integral for s the denominator of S⁻¹.
long GeometricMultiplicity(const fmpz_mat_t s, const fmpz_mat_t k, long n, const fmpz_poly_t m) {
    fmpz_mat_t inverse;
    fmpz_mat_init(inverse, n, n);
    fmpz_t den;
    fmpz_init(den);
    fmpz_mat_inv(inverse, den, s);
    fmpz_mat_t b;
    fmpz_mat_init(b, 2 * n, 2 * n);
    fmpz_mat_t prod;
    fmpz_mat_init(prod, n, n);
    // B = -[[S', 0], [0, S']]·[[0, K], [-K, 0]] = [[0, -S'K], [S'K, 0]].
    fmpz_mat_mul(prod, inverse, k);
    for (long i = 0; i < n; ++i) {
        for (long j = 0; j < n; ++j) {
            fmpz_neg(fmpz_mat_entry(b, i, n + j), fmpz_mat_entry(prod, i, j));
            fmpz_set(fmpz_mat_entry(b, n + i, j), fmpz_mat_entry(prod, i, j));
        }
    }
    const long d = fmpz_poly_degree(m);
    fmpz_mat_t r;
    fmpz_mat_t next;
    fmpz_mat_init(r, 2 * n, 2 * n);
    fmpz_mat_init(next, 2 * n, 2 * n);
    fmpz_t scale;
    fmpz_init(scale);
    fmpz_mat_one(r);
    fmpz_mat_scalar_mul_fmpz(r, r, fmpz_poly_get_coeff_ptr(m, d));
    for (long e = d - 1; e >= 0; --e) {
        fmpz_mat_mul(next, r, b);
        fmpz_pow_ui(scale, den, static_cast<ulong>(d - e));
        fmpz_mul(scale, scale, fmpz_poly_get_coeff_ptr(m, e));
        for (long i = 0; i < 2 * n; ++i) {
            fmpz_add(fmpz_mat_entry(next, i, i), fmpz_mat_entry(next, i, i), scale);
        }
        fmpz_mat_swap(r, next);
    }
    const long rank = fmpz_mat_rank(r);
    fmpz_clear(scale);
    fmpz_mat_clear(next);
    fmpz_mat_clear(r);
    fmpz_mat_clear(prod);
    fmpz_mat_clear(b);
    fmpz_clear(den);
    fmpz_mat_clear(inverse);
    return (2 * n - rank) / d;
}

std::vector<std::string> Coefficients(const fmpz_poly_t m) {
    std::vector<std::string> out;
    for (long k = 0; k < fmpz_poly_length(m); ++k) {
        char* s = fmpz_get_str(nullptr, 10, fmpz_poly_get_coeff_ptr(m, k));
        out.emplace_back(s);
        flint_free(s);
    }
    return out;
}

CirclePoint ArcPoint(const Rat& tau, int32_t signature) {
    CirclePoint p;
    p.lo = tau.Text();
    p.signature = signature;
    return p;
}

// det N(τ) for N(τ) = [[τS, K], [-K, τS]], interpolated from τ = 0..2n.
void PencilDeterminant(fmpz_poly_t out, const fmpz_mat_t s, const fmpz_mat_t k, long n) {
    const long points = 2 * n + 1;
    fmpz* xs = _fmpz_vec_init(points);
    fmpz* ys = _fmpz_vec_init(points);
    fmpz_mat_t m;
    fmpz_mat_init(m, 2 * n, 2 * n);
    for (long x = 0; x < points; ++x) {
        fmpz_set_si(xs + x, x);
        for (long i = 0; i < n; ++i) {
            for (long j = 0; j < n; ++j) {
                fmpz_mul_si(fmpz_mat_entry(m, i, j), fmpz_mat_entry(s, i, j), x);
                fmpz_mul_si(fmpz_mat_entry(m, n + i, n + j), fmpz_mat_entry(s, i, j), x);
                fmpz_set(fmpz_mat_entry(m, i, n + j), fmpz_mat_entry(k, i, j));
                fmpz_neg(fmpz_mat_entry(m, n + i, j), fmpz_mat_entry(k, i, j));
            }
        }
        fmpz_mat_det(ys + x, m);
    }
    fmpz_poly_interpolate_fmpz_vec(out, xs, ys, points);
    fmpz_mat_clear(m);
    _fmpz_vec_clear(ys, points);
    _fmpz_vec_clear(xs, points);
}

SignatureNullityResult Evaluate(const IntMatrix& v, int n) {
    SignatureNullityResult result;
    fmpz_mat_t s;
    fmpz_mat_t k;
    fmpz_mat_init(s, n, n);
    fmpz_mat_init(k, n, n);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            fmpz_set_si(fmpz_mat_entry(s, i - 1, j - 1), v(i, j));
            fmpz_add_si(fmpz_mat_entry(s, i - 1, j - 1), fmpz_mat_entry(s, i - 1, j - 1), v(j, i));
            fmpz_set_si(fmpz_mat_entry(k, i - 1, j - 1), v(i, j));
            fmpz_sub_si(fmpz_mat_entry(k, i - 1, j - 1), fmpz_mat_entry(k, i - 1, j - 1), v(j, i));
        }
    }
    fmpz_poly_t det;
    fmpz_poly_init(det);
    PencilDeterminant(det, s, k, n);
    fmpz_poly_factor_t factors;
    fmpz_poly_factor_init(factors);
    fmpz_poly_factor(factors, det);
    QPoly p;
    fmpq_poly_set_si(p.get(), 1);
    std::vector<QPoly> irreducible(static_cast<size_t>(factors->num));
    for (long i = 0; i < factors->num; ++i) {
        fmpq_poly_set_fmpz_poly(irreducible[static_cast<size_t>(i)].get(), factors->p + i);
        fmpq_poly_mul(p.get(), p.get(), irreducible[static_cast<size_t>(i)].get());
    }
    QPoly dp;
    fmpq_poly_derivative(dp.get(), p.get());
    std::vector<Root> roots;
    bool complete = !fmpz_poly_is_zero(det);
    for (long i = 0; i < factors->num && complete; ++i) {
        for (Root& root : PositiveRoots(irreducible[static_cast<size_t>(i)], i)) {
            complete = complete && Refine(root, irreducible[static_cast<size_t>(i)], p, dp);
            roots.push_back(root);
        }
    }
    if (complete) {
        std::sort(roots.begin(), roots.end(), [](const Root& a, const Root& b) {
            return fmpq_cmp(a.lo.get(), b.lo.get()) < 0;
        });
        std::vector<CirclePoint> points;
        // σ on the arcs: before the first root, and after each root.
        std::vector<int32_t> arc;
        if (roots.empty()) {
            Rat one;
            fmpq_one(one.get());
            arc.push_back(SignatureAt(v, n, one));
            points.push_back(ArcPoint(one, arc.back()));
        } else {
            arc.push_back(SignatureAt(v, n, roots.front().lo));
            points.push_back(ArcPoint(roots.front().lo, arc.back()));
            for (const Root& root : roots) {
                arc.push_back(SignatureAt(v, n, root.hi));
                points.push_back(ArcPoint(root.hi, arc.back()));
            }
        }
        for (std::size_t j = 0; j < roots.size(); ++j) {
            const Root& root = roots[j];
            const fmpz_poly_struct* m = factors->p + root.factor;
            const long g = GeometricMultiplicity(s, k, n, m);
            const int32_t sum = arc[j] + arc[j + 1];
            if (g != factors->exp[root.factor] || g % 2 != 0 || sum % 2 != 0) continue;
            CirclePoint point;
            point.factor = Coefficients(m);
            point.lo = root.lo.Text();
            point.hi = root.hi.Text();
            point.signature = sum / 2;
            point.nullity = static_cast<int32_t>(g / 2);
            points.push_back(point);
        }
        std::optional<int32_t> plus;
        std::optional<int32_t> minus;
        for (const CirclePoint& point : points) {
            const int32_t up = point.nullity + point.signature;
            const int32_t down = point.nullity - point.signature;
            if (!plus || up > *plus) {
                plus = up;
                result.plus = point;
            }
            if (!minus || down > *minus) {
                minus = down;
                result.minus = point;
            }
        }
        // The counts p and q of the presentation are never negative.
        result.bound = std::max(*plus, 0) / 2 + std::max(*minus, 0) / 2;
        result.decided = true;
    }
    fmpz_poly_factor_clear(factors);
    fmpz_poly_clear(det);
    fmpz_mat_clear(k);
    fmpz_mat_clear(s);
    return result;
}

}  // namespace

SignatureNullityResult SignatureNullityBound(const IntMatrix& v, int n) {
    if (n < 1 || n > kSignatureNullityMaxSize) return {};
    return Evaluate(v, n);
}

}  // namespace corvane
