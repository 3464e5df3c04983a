#include "unknotting/certificate_check.h"

#include <flint/fmpz.h>
#include <flint/fmpz_mat.h>
#include <flint/fmpz_poly.h>
#include <flint/fmpz_poly_mat.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include "unknotting/certificate_check_blanchfield.h"
#include "unknotting/certificate_check_lower.h"
#include "unknotting/certificate_check_matrix.h"
#include "unknotting/certificate_check_nakanishi.h"

namespace corvane {

namespace {

using json = nlohmann::ordered_json;
using namespace checker;  // the check's own matrices

// p = ±t^j: a unit of Z[t, t^-1].
bool IsUnitPolynomial(const fmpz_poly_t p) {
    long nonZero = 0;
    bool unit = true;
    for (long k = 0; k < fmpz_poly_length(p); ++k) {
        const fmpz* c = fmpz_poly_get_coeff_ptr(p, k);
        if (IsZero(c)) continue;
        ++nonZero;
        unit = unit && IsUnit(c);
    }
    return nonZero == 1 && unit;
}

// V - Vᵀ unimodular: the intersection form of a Seifert surface of a knot.
bool IsKnotSeifertMatrix(const Matrix& v) {
    Matrix form(v.Rows(), v.Cols());
    fmpz_mat_sub(form.get(), v.get(), Transposed(v).get());
    return v.Rows() == 0 || IsUnimodular(form);
}

// det(tV - Vᵀ) = ±t^j: the Alexander polynomial of V is 1. The empty matrix has determinant 1.
bool HasTrivialAlexanderPolynomial(const Matrix& v) {
    const long n = v.Rows();
    if (n == 0) return true;
    fmpz_poly_mat_t a;
    fmpz_poly_mat_init(a, n, n);
    for (long i = 0; i < n; ++i) {
        for (long j = 0; j < n; ++j) {
            fmpz_poly_struct* entry = fmpz_poly_mat_entry(a, i, j);
            fmpz_poly_set_coeff_fmpz(entry, 1, v.At(i, j));
            fmpz_t minus;
            fmpz_init(minus);
            fmpz_neg(minus, v.At(j, i));
            fmpz_poly_set_coeff_fmpz(entry, 0, minus);
            fmpz_clear(minus);
        }
    }
    fmpz_poly_t det;
    fmpz_poly_init(det);
    fmpz_poly_mat_det(det, a);
    const bool unit = IsUnitPolynomial(det);
    fmpz_poly_clear(det);
    fmpz_poly_mat_clear(a);
    return unit;
}

// The number of invariant factors of V + Vᵀ other than ±1: the least number of generators of
// H_1 of the 2-fold branched cover.
long DoubleCoverGenerators(const Matrix& v) {
    Matrix snf(v.Rows(), v.Cols());
    fmpz_mat_snf(snf.get(), SymmetrizedSum(v).get());
    long count = 0;
    for (long i = 0; i < v.Rows(); ++i) count += IsUnit(snf.At(i, i)) ? 0 : 1;
    return count;
}

// X of size m consists of L (size g) in its upper-left corner followed by enlargement pairs
// (a, a + 1): either column form (X[a][a+1] = 1, row a+1 zero, column a zero above a) or row form
// (X[a+1][a] = 1, column a+1 zero, row a zero left of a), with X[a][a] = X[a+1][a+1] = 0.
bool IsIteratedEnlargement(const Matrix& x, const Matrix& given) {
    long size = x.Rows();
    const long g = given.Rows();
    if (size < g || (size - g) % 2 != 0) return false;
    for (; size > g; size -= 2) {
        const long a = size - 2;  // 0-based indices of the pair added last
        const long b = size - 1;
        const bool columnForm = IsOne(x.At(a, b)) && IsZero(x.At(b, a));
        const bool rowForm = IsOne(x.At(b, a)) && IsZero(x.At(a, b));
        if (!columnForm && !rowForm) return false;
        if (!IsZero(x.At(a, a)) || !IsZero(x.At(b, b))) return false;
        for (long k = 0; k < a; ++k) {
            if (!IsZero(x.At(b, k)) || !IsZero(x.At(k, b))) return false;
            if (columnForm && !IsZero(x.At(a, k))) return false;
            if (rowForm && !IsZero(x.At(k, a))) return false;
        }
    }
    return Block(x, 0, g) == given;
}

// M[1,1] = ±1, M[1,s] = 0 for s >= 2, M[2,1] = 1, M[s,1] = 0 for s >= 3 (1-based).
bool HasMoveShape(const Matrix& m) {
    const long n = m.Rows();
    if (n < 2 || !IsUnit(m.At(0, 0)) || !IsOne(m.At(1, 0))) return false;
    for (long s = 1; s < n; ++s) {
        if (!IsZero(m.At(0, s))) return false;
    }
    for (long s = 2; s < n; ++s) {
        if (!IsZero(m.At(s, 0))) return false;
    }
    return true;
}

// One reduction pass: Z = Uᵀ·W·U with last column zero and last row (0, ..., 0, ±1, 0). Then the
// last basis vector pairs with the one before it as an enlargement (adding multiples of it clears
// the rest of that column and the corner), so W is S-equivalent to the upper-left block of Z.
std::optional<Matrix> ReductionPass(const Matrix& w, const json& pass, std::string& why) {
    const std::optional<Matrix> u = ReadSquare(pass);
    const long s = w.Rows();
    if (!u || u->Rows() != s || s < 2) {
        why = "a reduction pass is not a square matrix of the size of its matrix";
        return std::nullopt;
    }
    if (!IsUnimodular(*u)) {
        why = "a reduction pass is not unimodular";
        return std::nullopt;
    }
    const Matrix z = Congruent(w, *u);
    bool shape = IsUnit(z.At(s - 1, s - 2));
    for (long i = 0; i < s && shape; ++i) {
        shape = IsZero(z.At(i, s - 1)) && (i == s - 2 || IsZero(z.At(s - 1, i)));
    }
    if (!shape) {
        why = "a reduction pass does not split off an enlargement";
        return std::nullopt;
    }
    return Block(z, 0, s - 2);
}

// Replays one move on `current`; afterwards `remainder` is the block W the move leaves and
// `current` its reduction.
bool ReplayMove(Matrix& current, Matrix& remainder, const json& move, std::size_t index,
                std::string& why) {
    const std::string which = "move " + std::to_string(index + 1) + ": ";
    const std::optional<Matrix> given = ReadSquare(move.value("given", json()));
    if (!given || !(*given == current)) {
        why = which + "its matrix is not the one the previous step left";
        return false;
    }
    const std::optional<Matrix> x = ReadSquare(move.value("enlarged", json()));
    const std::optional<Matrix> q = ReadSquare(move.value("basis", json()));
    const std::optional<Matrix> m = ReadSquare(move.value("move_matrix", json()));
    const json transposed = move.value("transposed", json());
    if (!x || !q || !m || !transposed.is_boolean() || q->Rows() != x->Rows() ||
        m->Rows() != x->Rows()) {
        why = which + "malformed";
        return false;
    }
    if (!IsIteratedEnlargement(*x, *given)) {
        why = which + "the enlarged matrix is not an enlargement of its matrix";
        return false;
    }
    if (!IsUnimodular(*q)) {
        why = which + "the change of basis is not unimodular";
        return false;
    }
    const Matrix side = transposed.get<bool>() ? Transposed(*x) : *x;
    if (!(Congruent(side, *q) == *m)) {
        why = which + "the move matrix is not congruent to the enlarged matrix";
        return false;
    }
    if (!HasMoveShape(*m)) {
        why = which + "the move matrix is not in the shape of a move";
        return false;
    }
    remainder = Block(*m, 2, m->Rows() - 2);
    Matrix w = remainder;
    const json passes = move.value("reduction", json::array());
    if (!passes.is_array()) {
        why = which + "malformed reduction";
        return false;
    }
    for (const json& pass : passes) {
        std::optional<Matrix> next = ReductionPass(w, pass, why);
        if (!next) {
            why = which + why;
            return false;
        }
        w = *next;
    }
    current = w;
    return true;
}

// The crossings of a diagram certificate: 4-tuples of labels 1..2n, each label twice, the
// under-strand of every crossing running between consecutive labels. Empty (false) otherwise.
bool ReadDiagram(const json& tuples, std::vector<std::array<int64_t, 4>>& pd) {
    if (!tuples.is_array() || tuples.empty() || tuples.size() > kMaxCheckedSize) return false;
    const auto n = static_cast<int64_t>(tuples.size());
    std::vector<int> uses(static_cast<std::size_t>(2 * n + 1), 0);
    for (const json& t : tuples) {
        if (!t.is_array() || t.size() != 4) return false;
        std::array<int64_t, 4> x{};
        for (std::size_t k = 0; k < 4; ++k) {
            if (!t[k].is_number_integer()) return false;
            x[k] = t[k].get<int64_t>();
            if (x[k] < 1 || x[k] > 2 * n) return false;
            ++uses[static_cast<std::size_t>(x[k])];
        }
        if ((x[0] % (2 * n)) + 1 != x[2]) return false;
        pd.push_back(x);
    }
    return std::all_of(uses.begin() + 1, uses.end(), [](int u) { return u == 2; });
}

// The Alexander polynomial of a knot diagram by Fox calculus on its Wirtinger presentation, up
// to a unit ±t^j: the generators are the arcs (edges joined through the over-strand of every
// crossing), the crossing with incoming under-arc a, outgoing under-arc c and over-arc o gives
// the relation row (o: 1 - t, a: t, c: -1) when positive (the over-strand runs d -> b) and
// (o: t - 1, a: 1, c: -t) when negative; any one row and column deleted leave ±t^j·Δ(t).
// Writes the coefficients of that minor's determinant into `delta`.
void FoxAlexander(const std::vector<std::array<int64_t, 4>>& pd, fmpz_poly_t delta) {
    const auto n = static_cast<long>(pd.size());
    std::vector<long> arc(static_cast<std::size_t>(2 * n + 1));
    for (long e = 0; e <= 2 * n; ++e) arc[static_cast<std::size_t>(e)] = e;
    const auto root = [&arc](long e) {
        while (arc[static_cast<std::size_t>(e)] != e) e = arc[static_cast<std::size_t>(e)];
        return e;
    };
    for (const auto& x : pd) arc[static_cast<std::size_t>(root(x[1]))] = root(x[3]);
    std::vector<long> index(static_cast<std::size_t>(2 * n + 1), -1);
    long arcs = 0;
    for (long e = 1; e <= 2 * n; ++e) {
        const long r = root(e);
        if (index[static_cast<std::size_t>(r)] < 0) index[static_cast<std::size_t>(r)] = arcs++;
    }
    fmpz_poly_mat_t m;
    fmpz_poly_mat_init(m, n, arcs);
    const auto add = [&m](long row, long column, long c0, long c1) {
        fmpz_poly_struct* entry = fmpz_poly_mat_entry(m, row, column);
        fmpz_poly_t term;
        fmpz_poly_init(term);
        fmpz_poly_set_coeff_si(term, 0, c0);
        fmpz_poly_set_coeff_si(term, 1, c1);
        fmpz_poly_add(entry, entry, term);
        fmpz_poly_clear(term);
    };
    for (long r = 0; r < n; ++r) {
        const auto& x = pd[static_cast<std::size_t>(r)];
        const bool positive = ((x[1] - x[3]) % (2 * n) + 2 * n) % (2 * n) == 1;
        const long o = index[static_cast<std::size_t>(root(x[1]))];
        const long a = index[static_cast<std::size_t>(root(x[0]))];
        const long c = index[static_cast<std::size_t>(root(x[2]))];
        add(r, o, positive ? 1 : -1, positive ? -1 : 1);
        add(r, a, positive ? 0 : 1, positive ? 1 : 0);
        add(r, c, positive ? -1 : 0, positive ? 0 : -1);
    }
    fmpz_poly_mat_t minor;
    fmpz_poly_mat_init(minor, n - 1, n - 1);
    for (long i = 0; i + 1 < n; ++i) {
        for (long j = 0; j + 1 < n && j < arcs; ++j) {
            fmpz_poly_set(fmpz_poly_mat_entry(minor, i, j), fmpz_poly_mat_entry(m, i, j));
        }
    }
    fmpz_poly_mat_det(delta, minor);
    fmpz_poly_mat_clear(minor);
    fmpz_poly_mat_clear(m);
}

// Replays the moves (a non-empty array of at most `most`) from `current` and checks that they end
// at the empty matrix with Alexander polynomial 1; the failure's text, or empty.
std::string ReplayMoves(Matrix current, const json& moves, int64_t most) {
    if (!moves.is_array() || moves.empty() || static_cast<int64_t>(moves.size()) > most) {
        return "the certificate does not list 1 to " + std::to_string(most) + " moves";
    }
    Matrix remainder(0, 0);
    for (std::size_t k = 0; k < moves.size(); ++k) {
        std::string why;
        if (!ReplayMove(current, remainder, moves[k], k, why)) return why;
    }
    if (current.Rows() != 0) return "the moves do not reach the empty matrix";
    if (!HasTrivialAlexanderPolynomial(remainder))
        return "the last move leaves a nontrivial Alexander polynomial";
    return {};
}

// {"seifert_matrix": S, "reduction": [U, ...], "moves": [...]} after crossing changes: the stated
// matrix is `s`, the passes reduce it by S-equivalence, and the moves, at most `most`, take the
// reduced matrix to the empty one. The failure's text, or empty.
std::string CheckMovesAfter(const Matrix& s, const json& then, int64_t most) {
    const std::optional<Matrix> stated = ReadSquare(then.value("seifert_matrix", json()));
    if (!stated || !(*stated == s)) return "the Seifert matrix is not the changed knot's";
    Matrix current = s;
    const json passes = then.value("reduction", json());
    if (!passes.is_array()) return "malformed reduction of the changed knot's matrix";
    for (const json& pass : passes) {
        std::string why;
        std::optional<Matrix> next = ReductionPass(current, pass, why);
        if (!next) return "the changed knot's matrix: " + why;
        current = *next;
    }
    return ReplayMoves(current, then.value("moves", json()), most);
}

// CheckMovesAfter on the reader's Seifert matrix of the changed diagram: the same surface that
// the matrix of a knot read from a diagram comes from.
std::string CheckMovesAfterChanges(const std::vector<std::array<int64_t, 4>>& changedPd,
                                   const json& then, int64_t most,
                                   DiagramMatrixText diagramMatrix) {
    if (diagramMatrix == nullptr) return "no reader of diagrams to check the changed one";
    const std::string text = diagramMatrix(changedPd);
    const std::optional<Matrix> read =
        text.empty() ? std::nullopt : ReadSquare(json::parse(text, nullptr, false));
    if (!read) return "the changed diagram has no Seifert matrix";
    return CheckMovesAfter(*read, then, most);
}

// {"method": "crossing change", "vector": c, "sign": ε, "then": {...}}: twisting the knot once
// along a disk that meets its Seifert surface in a proper arc is a crossing change, and it adds
// ε·(x·a)(y·a) to the Seifert form, so V + ε·c·cᵀ is a Seifert matrix of a knot one crossing
// change away, for every primitive c (Lefschetz duality gives an arc a with x_i·a = c_i). As u_a
// is an invariant of S-equivalence, u_a <= 1 + the moves that take that matrix to Δ = 1.
std::string CheckRankOneChange(const Matrix& v, int64_t upper, const json& certificate) {
    const json vector = certificate.value("vector", json());
    const json sign = certificate.value("sign", json());
    const long n = v.Rows();
    if (!vector.is_array() || static_cast<long>(vector.size()) != n || !sign.is_number_integer() ||
        (sign.get<int64_t>() != 1 && sign.get<int64_t>() != -1))
        return "the change is not a vector of the matrix's size and a sign";
    Matrix c(n, 1);
    fmpz_t gcd;
    fmpz_init(gcd);
    bool read = true;
    for (long i = 0; read && i < n; ++i) {
        read = ReadInteger(vector[static_cast<std::size_t>(i)], c.At(i, 0));
        fmpz_gcd(gcd, gcd, c.At(i, 0));
    }
    const bool primitive = fmpz_is_one(gcd) != 0;
    fmpz_clear(gcd);
    if (!read) return "the change is not a vector of integers";
    if (!primitive) return "the change's vector is not primitive";
    Matrix s(n, n);
    const Matrix twist = Product(c, Transposed(c));
    if (sign.get<int64_t>() > 0) {
        fmpz_mat_add(s.get(), v.get(), twist.get());
    } else {
        fmpz_mat_sub(s.get(), v.get(), twist.get());
    }
    const json then = certificate.value("then", json());
    if (!then.is_object()) {
        return upper >= 1 && HasTrivialAlexanderPolynomial(s)
                   ? ""
                   : "the changed matrix's Alexander polynomial is not 1";
    }
    return upper >= 2 ? CheckMovesAfter(s, then, upper - 1)
                      : "a change and moves prove no bound below 2";
}

// {"method": "crossing changes", "diagram": [[a,b,c,d], ...], "changed": [i, ...]}: changing the
// listed crossings (1-based) of the diagram leaves Alexander polynomial 1 (by Fox calculus), and
// the diagram itself has the knot's Alexander polynomial up to sign. With "then", the changed
// diagram is instead taken to Δ = 1 by the moves that follow (CheckMovesAfterChanges), at most
// as many as the bound leaves after the changes.
void CheckCrossingChanges(int64_t upper, const json& certificate, const json& alexander,
                          DiagramMatrixText diagramMatrix, CertificateVerdict& verdict) {
    const std::string claim = "upper bound " + std::to_string(upper) + ": ";
    std::vector<std::array<int64_t, 4>> pd;
    if (!ReadDiagram(certificate.value("diagram", json()), pd)) {
        verdict.failures.push_back(claim + "the certificate's diagram is not a knot diagram");
        return;
    }
    const auto n = static_cast<int64_t>(pd.size());
    const json changed = certificate.value("changed", json());
    const json then = certificate.value("then", json());
    std::vector<bool> flipped(pd.size(), false);
    const bool counted =
        changed.is_array() && (then.is_null() ? static_cast<int64_t>(changed.size()) == upper
                                              : static_cast<int64_t>(changed.size()) < upper);
    if (!counted || (!then.is_null() && !then.is_object())) {
        verdict.failures.push_back(claim + "the certificate does not list " +
                                   (then.is_null() ? "" : "fewer than ") + std::to_string(upper) +
                                   " crossings");
        return;
    }
    for (const json& c : changed) {
        if (!c.is_number_integer() || c.get<int64_t>() < 1 || c.get<int64_t>() > n ||
            flipped[static_cast<std::size_t>(c.get<int64_t>() - 1)]) {
            verdict.failures.push_back(claim + "a changed crossing is not one of the diagram's");
            return;
        }
        flipped[static_cast<std::size_t>(c.get<int64_t>() - 1)] = true;
    }
    fmpz_poly_t delta;
    fmpz_poly_init(delta);
    FoxAlexander(pd, delta);
    // Δ of the diagram: the knot's, up to sign and a power of t.
    fmpz_poly_t knot;
    fmpz_poly_init(knot);
    bool knotRead = alexander.is_array();
    for (std::size_t k = 0; knotRead && k < alexander.size(); ++k) {
        fmpz_t c;
        fmpz_init(c);
        knotRead = ReadInteger(alexander[k], c);
        fmpz_poly_set_coeff_fmpz(knot, static_cast<long>(k), c);
        fmpz_clear(c);
    }
    long shift = 0;
    while (shift < fmpz_poly_length(delta) && IsZero(fmpz_poly_get_coeff_ptr(delta, shift)))
        ++shift;
    fmpz_poly_shift_right(delta, delta, shift);
    if (!knotRead || !(fmpz_poly_equal(delta, knot) ||
                       (fmpz_poly_neg(delta, delta), fmpz_poly_equal(delta, knot)))) {
        verdict.failures.push_back(claim + "the diagram's Alexander polynomial is not the knot's");
    } else {
        for (std::size_t i = 0; i < pd.size(); ++i) {
            if (!flipped[i]) continue;
            auto& x = pd[i];
            const bool positive = ((x[1] - x[3]) % (2 * n) + 2 * n) % (2 * n) == 1;
            x = positive ? std::array<int64_t, 4>{x[3], x[0], x[1], x[2]}
                         : std::array<int64_t, 4>{x[1], x[2], x[3], x[0]};
        }
        if (!then.is_null()) {
            const auto left = upper - static_cast<int64_t>(changed.size());
            const std::string why = CheckMovesAfterChanges(pd, then, left, diagramMatrix);
            if (!why.empty()) verdict.failures.push_back(claim + why);
        } else {
            FoxAlexander(pd, delta);
            if (!IsUnitPolynomial(delta)) {
                verdict.failures.push_back(claim +
                                           "the changed diagram's Alexander polynomial is "
                                           "not 1");
            }
        }
    }
    fmpz_poly_clear(knot);
    fmpz_poly_clear(delta);
}

// "upper": {"method": "moves", "moves": [...]}, {"method": "crossing changes", ...},
// {"method": "crossing change", ...}, {"method": "blanchfield", ...} or {"method": "trivial"}.
void CheckUpperBound(const Matrix& v, int64_t upper, const json& certificate, const json& alexander,
                     DiagramMatrixText diagramMatrix, CertificateVerdict& verdict) {
    const std::string claim = "upper bound " + std::to_string(upper) + ": ";
    const std::string method = certificate.is_object() ? certificate.value("method", "") : "";
    if (method == "trivial") {
        if (upper != 0 || v.Rows() != 0)
            verdict.failures.push_back(claim + "the knot is not trivial");
        return;
    }
    if (method == "crossing changes") {
        CheckCrossingChanges(upper, certificate, alexander, diagramMatrix, verdict);
        return;
    }
    if (method == "crossing change") {
        const std::string why = CheckRankOneChange(v, upper, certificate);
        if (!why.empty()) verdict.failures.push_back(claim + why);
        return;
    }
    if (method == "blanchfield") {
        const std::string why = upper >= 1 ? CheckBlanchfieldUnit(v, certificate, alexander)
                                           : "the Blanchfield pairing proves no bound below 1";
        if (!why.empty()) verdict.failures.push_back(claim + why);
        return;
    }
    if (method != "moves") {
        verdict.failures.push_back(claim + "no certificate");
        return;
    }
    Matrix current(v);
    if (certificate.contains("congruence")) {
        const std::optional<Matrix> p = ReadSquare(certificate["congruence"]);
        if (!p || p->Rows() != v.Rows() || !IsUnimodular(*p)) {
            verdict.failures.push_back(claim + "the congruence is not a unimodular matrix of " +
                                       "the knot's size");
            return;
        }
        current = Congruent(v, *p);
    }
    // A deeper search can reach Δ = 1 before its depth: fewer moves prove the bound as well.
    const std::string why = ReplayMoves(current, certificate.value("moves", json()), upper);
    if (!why.empty()) verdict.failures.push_back(claim + why);
}

// The check of an obstruction of certificate_check_lower.h by its name, or null.
using LowerRoutine = LowerProof (*)(const Matrix&, const json&);
LowerRoutine LowerCheck(const std::string& obstruction) {
    if (obstruction == "linking form") return CheckLinkingFormCertificate;
    if (obstruction == "stoimenow") return CheckStoimenowCertificate;
    if (obstruction == "alexander module") return CheckAlexanderModuleCertificate;
    if (obstruction == "signature-nullity") return CheckSignatureNullityCertificate;
    return nullptr;
}

// "lower": {"obstruction": "alexander" | "signature" | "wendt" | "linking form" | "stoimenow" |
// "alexander module" | "signature-nullity", ...}.
void CheckLowerBound(const Matrix& v, int64_t lower, const json& certificate,
                     CertificateVerdict& verdict) {
    const std::string claim = "lower bound " + std::to_string(lower) + ": ";
    const std::string obstruction =
        certificate.is_object() ? certificate.value("obstruction", "") : "";
    int64_t proven = -1;
    if (obstruction == "alexander") {
        proven = HasTrivialAlexanderPolynomial(v) ? 0 : 1;
    } else if (obstruction == "signature") {
        const long sigma = Signature(SymmetrizedSum(v));
        const json stated = certificate.value("signature", json());
        if (!stated.is_number_integer() || stated.get<int64_t>() != sigma) {
            verdict.failures.push_back(claim + "the signature is " + std::to_string(sigma));
            return;
        }
        proven = (sigma < 0 ? -sigma : sigma) / 2;
    } else if (obstruction == "wendt") {
        proven = DoubleCoverGenerators(v);
    } else if (const auto check = LowerCheck(obstruction)) {
        const LowerProof proof = check(v, certificate);
        if (proof.proven < 0) {
            verdict.failures.push_back(claim + "the " + obstruction +
                                       " obstruction fails: " + proof.why);
            return;
        }
        proven = proof.proven;
    } else {
        const std::string name = obstruction.empty() ? "its obstruction" : obstruction;
        verdict.failures.push_back(claim + "no certificate that can be replayed (" + name + ")");
        return;
    }
    if (proven < lower) {
        verdict.failures.push_back(claim + "the " + obstruction + " obstruction gives only " +
                                   std::to_string(proven));
    }
}

}  // namespace

json ParseJsonExactly(const std::string& text) {
    // Integers of more than 18 digits outside strings are quoted before parsing, so that they
    // keep every digit.
    std::string quoted;
    quoted.reserve(text.size());
    bool inString = false;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (inString) {
            quoted += c;
            if (c == '\\' && i + 1 < text.size()) quoted += text[++i];
            if (c == '"') inString = false;
            ++i;
            continue;
        }
        if (c == '"') inString = true;
        const bool numberStart = c == '-' || (c >= '0' && c <= '9');
        if (!numberStart) {
            quoted += c;
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
        const bool integer =
            end == text.size() || std::string_view(".eE").find(text[end]) == std::string_view::npos;
        const std::string_view token(text.data() + i, end - i);
        if (integer && token.size() > 18) {
            quoted += '"';
            quoted += token;
            quoted += '"';
        } else {
            quoted += token;
        }
        i = end;
    }
    return json::parse(quoted, nullptr, false);
}

CertificateVerdict CheckKnotCertificates(const json& knot, DiagramMatrixText diagramMatrix) {
    CertificateVerdict verdict;
    if (!knot.is_object() || knot.value("status", "") != "done") return verdict;
    const json unknotting = knot.value("unknotting", json());
    const json nakanishi = knot.value("nakanishi", json());
    const json lower = unknotting.is_object() ? unknotting.value("lower", json()) : json();
    const json upper = unknotting.is_object() ? unknotting.value("upper", json()) : json();
    const bool nakanishiBounds =
        nakanishi.is_object() && (nakanishi.value("upper", json()).is_number_integer() ||
                                  (nakanishi.value("lower", json()).is_number_integer() &&
                                   nakanishi["lower"].get<int64_t>() > 0));
    if (lower.is_null() && upper.is_null() && !nakanishiBounds) return verdict;
    const std::optional<Matrix> v = ReadSquare(knot.value("minimal_matrix", json()));
    if (!v) {
        verdict.failures.push_back("no minimal matrix to check the bounds on");
        return verdict;
    }
    if (!IsKnotSeifertMatrix(*v)) {
        verdict.failures.push_back("the minimal matrix is not a knot's: det(V - Vᵀ) is not ±1");
        return verdict;
    }
    for (std::string& failure : CheckNakanishiCertificates(*v, nakanishi))
        verdict.failures.push_back(std::move(failure));
    if (!unknotting.is_object()) return verdict;
    const json certificate = unknotting.value("certificate", json());
    const json none;
    if (upper.is_number_integer()) {
        CheckUpperBound(*v, upper.get<int64_t>(),
                        certificate.is_object() ? certificate.value("upper", none) : none,
                        knot.value("alexander", json()), diagramMatrix, verdict);
    }
    if (lower.is_number_integer() && lower.get<int64_t>() > 0) {
        CheckLowerBound(*v, lower.get<int64_t>(),
                        certificate.is_object() ? certificate.value("lower", none) : none, verdict);
    }
    return verdict;
}

}  // namespace corvane
