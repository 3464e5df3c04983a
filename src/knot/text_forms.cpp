#include "knot/text_forms.h"

#include "arith/errors.h"
#include "arith/rational.h"

namespace corvane {

namespace {

// |x| in decimal, also for -2^63.
std::string MagnitudeText(int64_t x) {
    const uint64_t magnitude = x < 0 ? 0 - static_cast<uint64_t>(x) : static_cast<uint64_t>(x);
    return std::to_string(magnitude);
}

// Appends one term of a sum: its sign ("+" only after earlier text), the absolute value of the
// coefficient (left out when it is 1 and unitOmitted), then the power text. The coefficient is
// brought to lowest terms with a positive denominator first.
void AppendTerm(std::string& out, Rational coefficient, bool unitOmitted,
                const std::string& power) {
    const Rational q = RatReduce(coefficient);
    if (q.num > 0 && !out.empty()) out += '+';
    if (q.num < 0) out += '-';
    const std::string number = MagnitudeText(q.num);
    if (q.den != 1) {
        out += number + '/' + std::to_string(q.den);
    } else if (number != "1" || !unitOmitted) {
        out += number;
    }
    out += power;
}

std::string PowerOfT(int64_t e) {
    if (e == 0) return "";
    if (e == 1) return "t";
    return "t^" + std::to_string(e);
}

// t^k + t^-k in LaTeX, k >= 1.
std::string SymmetricPower(int64_t k) {
    if (k == 0) return "";
    if (k == 1) return "(t+t^{-1})";
    const std::string exponent = std::to_string(k);
    return "(t^{" + exponent + "}+t^{-" + exponent + "})";
}

// Calls emit(|d_i|) for the orders with |d_i| >= 2, i = 1..c.
template <typename Emit>
void ForEachNontrivialOrder(std::span<const int64_t> orders, int64_t c, Emit emit) {
    if (c >= static_cast<int64_t>(orders.size())) throw RangeError("group order index");
    for (int64_t i = 1; i <= c; ++i) {
        const int64_t d = orders[static_cast<size_t>(i)];
        if (d >= 2 || d <= -2) emit(MagnitudeText(d));
    }
}

// AppendTerm for an integer coefficient in decimal.
void AppendDecimalTerm(std::string& out, const std::string& coefficient, bool unitOmitted,
                       const std::string& power) {
    const bool negative = !coefficient.empty() && coefficient[0] == '-';
    const std::string number = negative ? coefficient.substr(1) : coefficient;
    out += negative ? "-" : (out.empty() ? "" : "+");
    if (number != "1" || !unitOmitted) out += number;
    out += power;
}

bool IsZeroText(const std::string& c) {
    return c.empty() || c == "0" || c == "-0";
}

// The highest j with a non-zero c_j, or -1.
int64_t DecimalDegree(std::span<const std::string> c) {
    for (int64_t j = static_cast<int64_t>(c.size()) - 1; j >= 0; --j) {
        if (!IsZeroText(c[static_cast<size_t>(j)])) return j;
    }
    return -1;
}

// True when the decimal order is at least 2.
bool NontrivialOrder(const std::string& d) {
    return !IsZeroText(d) && d != "1";
}

}  // namespace

std::string IntegerPolyToText(std::span<const std::string> c) {
    const int64_t degree = DecimalDegree(c);
    if (degree < 0) return "0";
    std::string out;
    for (int64_t j = 0; j <= degree; ++j) {
        const std::string& coefficient = c[static_cast<size_t>(j)];
        if (IsZeroText(coefficient)) continue;
        AppendDecimalTerm(out, coefficient, j > 0, PowerOfT(j));
    }
    return out;
}

std::string SymmetricIntegerPolyToLatex(std::span<const std::string> c) {
    const int64_t degree = DecimalDegree(c);
    if (degree < 0) return "0";
    const int64_t m = degree / 2;
    std::string out;
    for (int64_t j = m; j <= degree; ++j) {
        const std::string& coefficient = c[static_cast<size_t>(j)];
        if (IsZeroText(coefficient)) continue;
        AppendDecimalTerm(out, coefficient, j > m, SymmetricPower(j - m));
    }
    return out;
}

std::string DecimalGroupToText(std::span<const std::string> orders) {
    std::string out;
    for (const std::string& d : orders) {
        if (!NontrivialOrder(d)) continue;
        if (!out.empty()) out += '+';
        out += "Z/" + d;
    }
    return out.empty() ? "0" : out;
}

std::string DecimalGroupToLatex(std::span<const std::string> orders) {
    std::string out;
    for (const std::string& d : orders) {
        if (!NontrivialOrder(d)) continue;
        if (!out.empty()) out += "\\oplus ";
        out += "\\mathbb{Z}_{" + d + "}";
    }
    return out.empty() ? "0" : out;
}

std::string PolyToText(const RatPoly& p) {
    if (p.degree < 0) return "0";
    std::string out;
    for (int64_t j = 0; j <= p.degree; ++j) {
        if (p.c(j).num == 0) continue;
        AppendTerm(out, p.c(j), j > 0, PowerOfT(j));
    }
    return out;
}

std::string SymmetricPolyToLatex(const RatPoly& p) {
    if (p.degree < 0) return "0";
    const int64_t m = p.degree / 2;
    std::string out;
    for (int64_t j = m; j <= p.degree; ++j) {
        if (p.c(j).num == 0) continue;
        AppendTerm(out, p.c(j), j > m, SymmetricPower(j - m));
    }
    return out;
}

std::string GroupToText(std::span<const int64_t> orders, int64_t c) {
    std::string out;
    ForEachNontrivialOrder(orders, c, [&out](const std::string& order) {
        if (!out.empty()) out += '+';
        out += "Z/" + order;
    });
    return out.empty() ? "0" : out;
}

std::string GroupToLatex(std::span<const int64_t> orders, int64_t c) {
    std::string out;
    ForEachNontrivialOrder(orders, c, [&out](const std::string& order) {
        if (!out.empty()) out += "\\oplus ";
        out += "\\mathbb{Z}_{" + order + "}";
    });
    return out.empty() ? "0" : out;
}

std::string MatrixToText(const IntMatrix& m, int n) {
    std::string out = "[";
    for (int i = 1; i <= n; ++i) {
        if (i > 1) out += ',';
        out += '[';
        for (int j = 1; j <= n; ++j) {
            if (j > 1) out += ',';
            out += std::to_string(m(i, j));
        }
        out += ']';
    }
    return out + "]";
}

std::string LaurentText(const LaurentPoly& L) {
    std::string out;
    for (int64_t e = -kLaurentMaxExponent; e <= kLaurentMaxExponent; ++e) {
        if (L.c(e).num == 0) continue;
        AppendTerm(out, L.c(e), e != 0, PowerOfT(e));
    }
    return out.empty() ? "0" : out;
}

std::string PolyVectorText(const PolyVector& v, int64_t n) {
    std::string out = "(";
    for (int64_t i = 1; i <= n; ++i) {
        if (i > 1) out += ',';
        out += PolyToText(v(i));
    }
    return out + ")";
}

std::string SignedField(std::string_view code, int64_t value) {
    std::string field(code);
    if (value >= 0) field += ' ';
    field += std::to_string(value);
    return field;
}

}  // namespace corvane
