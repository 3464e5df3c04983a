#include "invariants/mahler.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "invariants/signature.h"

namespace corvane {
namespace {

// The 80-bit evaluation by powers errs by about d·5e-20·Σ|c_j|; a value below this multiple of
// Σ|c_j| is rounding noise at a zero of p on the circle. Its logarithm is known only to lie below
// ln(threshold), and that bound is what the point adds: leaving such points out (adding 0) would
// bias the mean upwards by about |ln threshold|/M per point, which for a multiple zero is larger
// than the printed precision. All other points add their true logarithm, however negative: the
// equally spaced sum of ln|z - ζ| over the M-th roots of unity is ln|ζ^M - 1| for |ζ| = 1.
constexpr long double kNoiseLevel = 1e-17L;
// Significant digits of the general number text.
constexpr int kSignificantDigits = 15;

// Σ c_j·z^j with the powers of z built up one multiplication at a time.
ComplexExt EvaluateByPowers(const RatPoly& p, ComplexExt z) {
    ComplexExt value{0.0L, 0.0L};
    ComplexExt power{1.0L, 0.0L};
    for (int64_t j = 0; j <= p.degree; ++j) {
        const long double c = static_cast<long double>(p.c(j).num);
        value = value + ComplexExt{c * power.re, c * power.im};
        power = power * z;
    }
    return value;
}

// Scale for the printed decimals: 2, 4 or 6 of them as the sample count grows.
long double DecimalScale(int64_t count) {
    long double scale = 1.0L;
    for (int k = 0; k < MahlerDecimals(count); ++k) scale *= 10.0L;
    return scale;
}

// Digits of |v| rounded to 15 significant ones, without trailing zeros, and the decimal exponent
// of the first digit: v = 0.d1d2… · 10^(exponent + 1).
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal ToDecimal(long double v) {
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, v,
                                            std::chars_format::scientific, kSignificantDigits - 1);
    if (error != std::errc()) throw RangeError("number text");
    const std::string text(buffer, end);
    Decimal d;
    size_t pos = 0;
    if (text[pos] == '-') {
        d.negative = true;
        ++pos;
    }
    const size_t e = text.find('e');
    for (size_t i = pos; i < e; ++i) {
        if (text[i] != '.') d.digits.push_back(text[i]);
    }
    while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
    d.exponent = std::atoi(text.c_str() + e + 1);
    return d;
}

std::string FixedText(const Decimal& d) {
    std::string out = d.negative ? "-" : "";
    const int digitCount = static_cast<int>(d.digits.size());
    if (d.exponent < 0) {
        return out + "0." + std::string(static_cast<size_t>(-d.exponent - 1), '0') + d.digits;
    }
    const int integerDigits = d.exponent + 1;
    if (digitCount <= integerDigits) {
        return out + d.digits + std::string(static_cast<size_t>(integerDigits - digitCount), '0');
    }
    return out + d.digits.substr(0, integerDigits) + "." + d.digits.substr(integerDigits);
}

std::string ExponentText(const Decimal& d) {
    std::string out = d.negative ? "-" : "";
    out += d.digits.substr(0, 1);
    if (d.digits.size() > 1) out += "." + d.digits.substr(1);
    return out + "E" + std::to_string(d.exponent);
}

}  // namespace

long double MeanLogModulus(const RatPoly& p, int64_t count) {
    if (count < 1) throw RangeError("Mahler measure value count");
    const long double m = static_cast<long double>(count);
    long double norm = 0.0L;
    for (int64_t j = 0; j <= p.degree; ++j) norm += std::fabs(static_cast<long double>(p.c(j).num));
    if (norm == 0.0L) return 0.0L;
    const long double threshold = kNoiseLevel * norm;
    long double sum = 0.0L;
    for (int64_t k = 1; k <= count; ++k) {
        const ComplexExt value =
            EvaluateByPowers(p, ComplexFromAngle(static_cast<long double>(k) / m));
        const long double squared = value.re * value.re + value.im * value.im;
        sum += std::log(std::max(squared, threshold * threshold)) / 2.0L;
    }
    return sum / m;
}

long double LogMahlerMeasure(const RatPoly& p, int64_t count, int maxSweeps) {
    std::array<int64_t, kPolyMaxDegree + 1> c{};
    const size_t size = static_cast<size_t>(std::max<int64_t>(p.degree + 1, 0));
    for (size_t j = 0; j < size; ++j) c[j] = p.c(static_cast<int64_t>(j)).num;
    if (const auto m = MahlerMeasureFromRoots(std::span(c.data(), size), maxSweeps)) return *m;
    return MeanLogModulus(p, count);
}

long double LogMahlerMeasureOfDecimal(const std::vector<std::string>& c, int64_t count) {
    if (count < 1) throw RangeError("Mahler measure value count");
    std::vector<int64_t> exact;
    std::vector<long double> rounded;
    bool fits = true;
    for (const std::string& text : c) {
        rounded.push_back(std::strtold(text.c_str(), nullptr));
        int64_t value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        fits = fits && error == std::errc() && end == text.data() + text.size();
        exact.push_back(value);
    }
    if (fits) {
        if (const auto m = MahlerMeasureFromRoots(exact, kAberthSweeps)) return *m;
    }
    long double norm = 0.0L;
    for (const long double x : rounded) norm += std::fabs(x);
    if (norm == 0.0L) return 0.0L;
    const long double threshold = kNoiseLevel * norm;
    const long double m = static_cast<long double>(count);
    long double sum = 0.0L;
    for (int64_t k = 1; k <= count; ++k) {
        const ComplexExt z = ComplexFromAngle(static_cast<long double>(k) / m);
        ComplexExt value{0.0L, 0.0L};
        for (size_t j = rounded.size(); j-- > 0;) value = value * z + ComplexExt{rounded[j], 0.0L};
        const long double squared = value.re * value.re + value.im * value.im;
        sum += std::log(std::max(squared, threshold * threshold)) / 2.0L;
    }
    return sum / m;
}

std::string GeneralFloatText(long double v) {
    if (v == 0.0L) return "0";
    const Decimal d = ToDecimal(v);
    if (d.exponent >= -5 && d.exponent < kSignificantDigits) return FixedText(d);
    return ExponentText(d);
}

int MahlerDecimals(int64_t count) {
    if (count < 10001) return 2;
    if (count < 1000001) return 4;
    return 6;
}

std::string MahlerText(long double mean, int64_t count) {
    const long double q = DecimalScale(count);
    const long double rounded = static_cast<long double>(std::llrint(q * mean)) / q;
    const std::string text = GeneralFloatText(rounded);
    if (text.find('E') == std::string::npos) return text + "...";
    return GeneralFloatText(static_cast<long double>(std::llrint(mean)));
}

void MahlerMeasure(KnotContext& ctx) {
    KnotState& state = ctx.state;
    KnotRecord& knot = state.record;
    const int64_t count = state.Settings.mahlerValueCount;
    knot.mahlerMeasure = state.AlexanderExact.empty()
                             ? LogMahlerMeasure(state.AlexanderPoly, count)
                             : LogMahlerMeasureOfDecimal(state.AlexanderExact, count);
    const std::string text = MahlerText(knot.mahlerMeasure, count);
    ctx.display.ResultLine("Mahler measure of Alexander polynomial = " + text);
    SetResultField(state, "ma" + text, "ma" + text);
}

}  // namespace corvane
