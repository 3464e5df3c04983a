#include "unknotting/linking_forms.h"

#include "arith/errors.h"

namespace corvane {
namespace {

// A[i][j] is base-4 digit number N(j-1) + (i-1) of c, the least significant digit being number 0:
// the matrix is read column by column.
template <int N>
FormMod4<N> DecodeMatrix(int64_t c) {
    FormMod4<N> a;
    for (int j = 1; j <= N; ++j) {
        for (int i = 1; i <= N; ++i) {
            a(i, j) = static_cast<int32_t>(c % 4);
            c /= 4;
        }
    }
    return a;
}

int64_t Determinant(const Form2& a) {
    return int64_t{a(1, 1)} * a(2, 2) - int64_t{a(1, 2)} * a(2, 1);
}

// Rule of Sarrus.
int64_t Determinant(const Form3& a) {
    return int64_t{a(1, 1)} * a(2, 2) * a(3, 3) + int64_t{a(1, 2)} * a(2, 3) * a(3, 1) +
           int64_t{a(1, 3)} * a(2, 1) * a(3, 2) - int64_t{a(1, 3)} * a(2, 2) * a(3, 1) -
           int64_t{a(1, 1)} * a(2, 3) * a(3, 2) - int64_t{a(1, 2)} * a(2, 1) * a(3, 3);
}

// R = A·F·Aᵀ over Z/4, every partial sum reduced into 0..3 (all terms are non-negative).
template <int N>
FormMod4<N> CongruentForm(const FormMod4<N>& a, const FormMod4<N>& f) {
    FormMod4<N> af;
    for (int i = 1; i <= N; ++i) {
        for (int j = 1; j <= N; ++j) {
            int32_t sum = 0;
            for (int l = 1; l <= N; ++l) sum = (sum + a(i, l) * f(l, j)) % 4;
            af(i, j) = sum;
        }
    }
    FormMod4<N> r;
    for (int i = 1; i <= N; ++i) {
        for (int j = 1; j <= N; ++j) {
            int32_t sum = 0;
            for (int l = 1; l <= N; ++l) sum = (sum + af(i, l) * a(j, l)) % 4;
            r(i, j) = sum;
        }
    }
    return r;
}

// The form as a base-4 number of its entries, a unique index into 0..4^(N·N) - 1.
template <int N>
std::size_t Code(const FormMod4<N>& f) {
    std::size_t code = 0;
    for (const int32_t entry : f.entries) code = code * 4 + static_cast<std::size_t>(entry);
    return code;
}

// The orbits of the standard forms under congruence by the matrices invertible modulo 4 (odd
// determinant), each form listed once, in order of discovery. A form is new exactly when it
// differs from every form listed before; the set of codes seen answers that at once.
template <int N, std::size_t K>
std::vector<FormMod4<N>> CongruenceOrbits(const std::array<FormMod4<N>, K>& standard,
                                          std::size_t capacity) {
    int64_t count = 1;
    for (int i = 0; i < N * N; ++i) count *= 4;
    std::vector<FormMod4<N>> table;
    std::vector<bool> seen(static_cast<std::size_t>(count), false);
    for (int64_t c = 1; c <= count; ++c) {
        const FormMod4<N> a = DecodeMatrix<N>(c);
        if (Determinant(a) % 2 == 0) continue;
        for (const FormMod4<N>& f : standard) {
            const FormMod4<N> r = CongruentForm(a, f);
            if (seen[Code(r)]) continue;
            seen[Code(r)] = true;
            if (table.size() == capacity) throw RangeError("linking form table full");
            table.push_back(r);
        }
    }
    return table;
}

Form2 Form2Of(int32_t m11, int32_t m12, int32_t m22) {
    Form2 f;
    f(1, 1) = m11;
    f(1, 2) = f(2, 1) = m12;
    f(2, 2) = m22;
    return f;
}

// U_k: 1 on the diagonal; (u12, u13, u23) = 2·(the binary digits of k - 1, u12 lowest).
Form3 StandardForm3(int k) {
    const int bits = k - 1;
    Form3 u;
    for (int i = 1; i <= 3; ++i) u(i, i) = 1;
    u(1, 2) = u(2, 1) = 2 * (bits & 1);
    u(1, 3) = u(3, 1) = 2 * ((bits >> 1) & 1);
    u(2, 3) = u(3, 2) = 2 * ((bits >> 2) & 1);
    return u;
}

}  // namespace

std::vector<Form2> BuildFormTable2() {
    const std::array<Form2, 2> standard{Form2Of(1, 0, 1), Form2Of(1, 2, 1)};
    return CongruenceOrbits<2>(standard, kMaxFormTable2);
}

std::vector<Form3> BuildFormTable3() {
    std::array<Form3, 8> standard;
    for (int k = 1; k <= 8; ++k) standard[k - 1] = StandardForm3(k);
    return CongruenceOrbits<3>(standard, kMaxFormTable3);
}

std::string FormTable3Text(const std::vector<Form3>& table) {
    std::string text;
    text.reserve(table.size() * 9 * 3);
    for (const Form3& form : table) {
        for (const int32_t entry : form.entries) {
            text += std::to_string(entry);
            text += "\r\n";
        }
    }
    return text;
}


LinkingFormTables BuildFormTables(bool checkU3) {
    LinkingFormTables tables;
    tables.FormTable2 = BuildFormTable2();
    if (checkU3) tables.FormTable3 = BuildFormTable3();
    return tables;
}

}  // namespace corvane
