#include "unknotting/blanchfield_unit.h"

#include <flint/fmpz_poly.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <nlohmann/json.hpp>

#include "arith/big_integer.h"
#include "knot/knot_context.h"

namespace corvane {

namespace {

// How often the search looks at Stop and Skip, in candidates.
constexpr int64_t kPollEvery = 4096;

// The value at t = -1 of c[0] + c[1]·t + ... modulo m > 0, in 0..m-1.
int64_t AtMinusOneMod(const std::vector<int64_t>& c, int64_t m) {
    __int128 sum = 0;
    for (std::size_t k = 0; k < c.size(); ++k) {
        const __int128 term = c[k] % m;
        sum = (sum + ((k % 2 == 0) ? term : -term)) % m;
    }
    return static_cast<int64_t>((sum + m) % m);
}

// c_0 + c_1·t + ... as an arbitrary-precision polynomial.
BigPoly PolyOf(const std::vector<int64_t>& c) {
    BigPoly p;
    for (std::size_t k = 0; k < c.size(); ++k) {
        fmpz_poly_set_coeff_si(p.get(), static_cast<long>(k), static_cast<long>(c[k]));
    }
    return p;
}

// Whether g(t)·t^(d-1)·g(t⁻¹)·F(t) - ε·t^s is divisible by Δ for ε = 1 or -1, d - 1 the highest
// degree g may have: with F = t^j·f·N(u₀) (a multiplier's product) and s = shift = d - 1 + j, that
// is u·ū·f ≡ ±1 modulo Δ in Λ for u = u₀·g.
bool NormIsPlusMinusOne(const std::vector<int64_t>& u, const BigPoly& f, const BigPoly& delta,
                        int64_t shift) {
    BigPoly a = PolyOf(u);
    BigPoly reversed;
    fmpz_poly_reverse(reversed.get(), a.get(), static_cast<long>(u.size()));
    BigPoly product;
    fmpz_poly_mul(product.get(), a.get(), reversed.get());
    fmpz_poly_mul(product.get(), product.get(), f.get());
    BigPoly quotient;
    for (const long sign : {1L, -1L}) {
        BigPoly term;
        fmpz_poly_set_coeff_si(term.get(), static_cast<long>(shift), sign);
        BigPoly difference;
        fmpz_poly_sub(difference.get(), product.get(), term.get());
        if (fmpz_poly_divides(quotient.get(), difference.get(), delta.get())) return true;
    }
    return false;
}

// A multiplier u₀ of the candidates and the product F = f·u₀(t)·u₀(t⁻¹)·t^(deg u₀) it leaves
// for them, with the exponent `shift` that ±1 takes beside it and F(-1) modulo |Δ(-1)|.
struct Multiplier {
    BigPoly unit;
    BigPoly f;
    int64_t shift = 0;
    int64_t fAtMinusOne = 0;
};

// The coefficients of a·g, or nullopt when one does not fit in 64 bits.
std::optional<std::vector<int64_t>> Product(const BigPoly& a, const std::vector<int64_t>& g) {
    BigPoly b = PolyOf(g);
    BigPoly product;
    fmpz_poly_mul(product.get(), a.get(), b.get());
    std::vector<int64_t> c;
    for (long k = 0; k < fmpz_poly_length(product.get()); ++k) {
        const fmpz* x = fmpz_poly_get_coeff_ptr(product.get(), k);
        if (!fmpz_fits_si(x)) return std::nullopt;
        c.push_back(fmpz_get_si(x));
    }
    return c;
}

std::vector<int64_t> IntegerCoefficients(const RatPoly& p, bool& integral) {
    std::vector<int64_t> c;
    for (int64_t k = 0; k <= PolyDegree(p); ++k) {
        integral = integral && (p.c(k).den == 1 || p.c(k).num == 0);
        c.push_back(p.c(k).num);
    }
    return c;
}

}  // namespace

int64_t NormUnitBudget(int32_t effort) {
    switch (effort) {
        case 0:
            return 2000;
        case 1:
            return 20000;
        case 2:
            return 200000;
        default:
            return 2000000;
    }
}

std::optional<std::vector<int64_t>> FindNormUnit(const std::vector<int64_t>& f, int64_t fLow,
                                                 const std::vector<int64_t>& delta, int64_t budget,
                                                 const std::function<bool()>& keepGoing) {
    const auto d = static_cast<int64_t>(delta.size()) - 1;
    if (d < 2 || delta[0] == 0 || f.empty()) return std::nullopt;
    BigPoly deltaPoly = PolyOf(delta);
    // m = |Δ(-1)|, odd for a knot: modulo m every sign and power of t is ±1, so the condition
    // implies g(-1)²·F(-1) ≡ ±1 for the product F of f and the multiplier's norm.
    BigInt valueHolder;
    BigInt pointHolder;
    fmpz* value = valueHolder.get();
    fmpz* point = pointHolder.get();
    fmpz_set_si(point, -1);
    fmpz_poly_evaluate_fmpz(value, deltaPoly.get(), point);
    fmpz_abs(value, value);
    const int64_t m = fmpz_fits_si(value) ? fmpz_get_si(value) : 1;
    // The multipliers (1 - t)^k for k = 0, 1, -1, 2, -2: 1 - t is a unit modulo Δ since Δ(1) = ±1,
    // and its inverse is ±r with r = (Δ - Δ(1))/(t - 1). Many pairings are f = N((1 - t)^k)
    // times a small norm, and the unit (1 - t)^-k has large coefficients.
    BigPoly r;
    {
        BigPoly shifted = PolyOf(delta);
        fmpz_set_si(point, 1);
        fmpz_poly_evaluate_fmpz(value, deltaPoly.get(), point);
        fmpz_sub(fmpz_poly_get_coeff_ptr(shifted.get(), 0),
                 fmpz_poly_get_coeff_ptr(shifted.get(), 0), value);
        const BigPoly tMinusOne = PolyOf({-1, 1});
        fmpz_poly_div(r.get(), shifted.get(), tMinusOne.get());
    }
    std::vector<Multiplier> multipliers;
    for (const int k : {0, 1, -1, 2, -2}) {
        Multiplier& x = multipliers.emplace_back();
        fmpz_poly_set_si(x.unit.get(), 1);
        for (int j = 0; j < std::abs(k); ++j) {
            const BigPoly factor = PolyOf({1, -1});
            fmpz_poly_mul(x.unit.get(), x.unit.get(), k > 0 ? factor.get() : r.get());
        }
        const long degree = fmpz_poly_degree(x.unit.get());
        BigPoly reversed;
        fmpz_poly_reverse(reversed.get(), x.unit.get(), degree + 1);
        const BigPoly base = PolyOf(f);
        fmpz_poly_mul(x.f.get(), base.get(), x.unit.get());
        fmpz_poly_mul(x.f.get(), x.f.get(), reversed.get());
        x.shift = d - 1 - (fLow - degree);
        fmpz_set_si(point, -1);
        fmpz_poly_evaluate_fmpz(value, x.f.get(), point);
        x.fAtMinusOne =
            m > 1 ? static_cast<int64_t>(fmpz_fdiv_ui(value, static_cast<ulong>(m))) : 0;
        if (x.shift < 0) multipliers.pop_back();
    }
    for (int64_t bound = 1; budget > 0; ++bound) {
        // Every vector with g_0 in 1..B, the rest in -B..B, and some |g_k| = B.
        std::vector<int64_t> digits(static_cast<std::size_t>(d), -bound);
        digits[0] = 1;
        while (true) {
            // Every vector of the box counts against the budget, also those of the inner boxes
            // that are passed over: for a small degree the shells are thin.
            if (budget-- <= 0) return std::nullopt;
            if (budget % kPollEvery == 0 && keepGoing && !keepGoing()) return std::nullopt;
            const bool onShell = std::any_of(digits.begin(), digits.end(),
                                             [bound](int64_t c) { return std::llabs(c) == bound; });
            const __int128 v = onShell && m > 1 ? AtMinusOneMod(digits, m) : 0;
            for (std::size_t j = 0; onShell && j < multipliers.size(); ++j) {
                Multiplier& x = multipliers[j];
                if (m > 1) {
                    const int64_t atMinusOne = static_cast<int64_t>(v * v % m * x.fAtMinusOne % m);
                    if (atMinusOne != 1 && atMinusOne != m - 1) continue;
                }
                if (!NormIsPlusMinusOne(digits, x.f, deltaPoly, x.shift)) continue;
                if (auto unit = Product(x.unit, digits)) return unit;
            }
            std::size_t k = 0;
            while (k < digits.size()) {
                const int64_t low = k == 0 ? 1 : -bound;
                if (digits[k] < bound) {
                    ++digits[k];
                    break;
                }
                digits[k] = low;
                ++k;
            }
            if (k == digits.size()) break;
        }
    }
    return std::nullopt;
}

void BlanchfieldUnitStep(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    if (knot.lowerBound != 1 || knot.upperBound == 1 || !state.HasCyclicPairing) return;
    bool integral = true;
    const std::vector<int64_t> delta = [&] {
        std::vector<int64_t> c;
        for (int64_t e = -kLaurentMaxExponent; e <= kLaurentMaxExponent; ++e) {
            const Rational& r = state.AlexanderLaurent.c(e);
            if (r.num != 0 || !c.empty()) c.push_back(r.num);
            integral = integral && (r.den == 1 || r.num == 0);
        }
        while (!c.empty() && c.back() == 0) c.pop_back();
        return c;
    }();
    int64_t fLow = -kLaurentMaxExponent;
    std::vector<int64_t> f;
    for (int64_t e = -kLaurentMaxExponent; e <= kLaurentMaxExponent; ++e) {
        const Rational& r = state.CyclicPairing.c(e);
        integral = integral && (r.den == 1 || r.num == 0);
        if (f.empty() && r.num == 0) {
            ++fLow;
            continue;
        }
        f.push_back(r.num);
    }
    while (!f.empty() && f.back() == 0) f.pop_back();
    if (!integral || f.empty()) return;
    ctx.currentStep = "search for a unit of the Blanchfield pairing";
    state.SkipRequested = false;
    const auto unit =
        FindNormUnit(f, fLow, delta, NormUnitBudget(state.Settings.unknottingEffort), [&ctx] {
            ctx.CheckPause();
            return !ctx.state.StopRequested && !ctx.state.SkipRequested;
        });
    if (!unit) return;
    using json = nlohmann::ordered_json;
    json generator = json::array();
    for (int32_t i = 1; i <= state.WorkingSize; ++i) {
        generator.push_back(IntegerCoefficients(state.CyclicGenerator(i), integral));
    }
    if (!integral) return;
    knot.upperBound = 1;
    knot.detectedBy = kBlanchfieldUnitName;
    knot.upperCertificate =
        json{{"method", "blanchfield"}, {"generator", generator}, {"unit", *unit}}.dump();
}

}  // namespace corvane
