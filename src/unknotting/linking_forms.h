// The tables of symmetric forms over Z/4 behind the linking pairing obstructions: the 2 × 2 forms
// that the u_a = 2 test consults for signature ±4, and the 3 × 3 forms that the u_a = 3 option
// lists in cong34.txt.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>


namespace corvane {

// An N × N matrix with entries in 0..3, rows and columns 1..N.
template <int N>
struct FormMod4 {
    std::array<int32_t, N * N> entries{};

    int32_t& operator()(int i, int j) { return entries[(i - 1) * N + (j - 1)]; }
    int32_t operator()(int i, int j) const { return entries[(i - 1) * N + (j - 1)]; }
    bool operator==(const FormMod4&) const = default;
};

using Form2 = FormMod4<2>;
using Form3 = FormMod4<3>;

// The tables of one run, built at its start and read while it lasts.
struct LinkingFormTables {
    std::vector<Form2> FormTable2;  // FormTable2Count = FormTable2.size(), at most 300
    std::vector<Form3> FormTable3;  // FormTable3Count = FormTable3.size(), at most 300000
};

inline constexpr int kMaxFormTable2 = 300;
inline constexpr int kMaxFormTable3 = 300000;

// The symmetric 2 × 2 forms over Z/4 congruent to the identity or to [[1, 2], [2, 1]]: the
// distinct R = A·F·Aᵀ mod 4 over A with det A odd, A running through the base-4 numbers
// c = 1..4^4 (digits A11, A21, A12, A22, least significant first) and F through the two forms in
// this order, in order of discovery. Six forms: the identity, [[1, 2], [2, 1]], [[2, 1], [1, 1]],
// [[2, 3], [3, 1]], [[1, 1], [1, 2]], [[1, 3], [3, 2]].
std::vector<Form2> BuildFormTable2();

// The symmetric 3 × 3 forms over Z/4 congruent to one of the eight forms U_1..U_8 (1 on the
// diagonal, 0 or 2 off it, (u12, u13, u23) counting 0..7 in binary with u12 lowest): the distinct
// R = A·U_k·Aᵀ mod 4 over A with det A odd, A running through c = 1..4^9 (digit 3(j-1) + (i-1) is
// A[i][j]) and k through 1..8, in order of discovery. 224 forms, the identity first.
std::vector<Form3> BuildFormTable3();

// The text of cong34.txt: every entry of the table row by row, one decimal number per line, each
// line ended by CR LF (9 lines per form).
std::string FormTable3Text(const std::vector<Form3>& table);

// The tables for a run: FormTable2 always, FormTable3 only when the u = 3 obstruction is asked for.
LinkingFormTables BuildFormTables(bool checkU3);

}  // namespace corvane
