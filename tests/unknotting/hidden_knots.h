// The algebraic unknotting numbers of the prime knots up to 8 crossings, and their Seifert
// matrices hidden by random unimodular congruences and S-equivalence enlargements, for the tests
// of the move searches and of whole runs.
#pragma once

#include <map>
#include <random>
#include <string>

#include "arith/test_matrices.h"

namespace corvane::test {

// u_a is 1 for every prime knot up to 8 crossings except these: 2 for 5_1, 7_3, 7_4, 7_5, 8_2,
// 8_5, 8_8, 8_15, 8_16, 8_18 and 3 for 7_1 and 8_19 (the torus knots T(2,7) and T(3,4)).
inline int RolfsenUnknotting(const std::string& name) {
    static const std::map<std::string, int> larger = {
        {"5_1", 2}, {"7_3", 2},  {"7_4", 2},  {"7_5", 2},  {"8_2", 2}, {"8_5", 2},
        {"8_8", 2}, {"8_15", 2}, {"8_16", 2}, {"8_18", 2}, {"7_1", 3}, {"8_19", 3}};
    const auto it = larger.find(name);
    return it == larger.end() ? 1 : it->second;
}

// V (size n) hidden: a random unimodular congruence, `enlargements` elementary enlargements with
// random ξ, and another congruence on the result, whose size is returned in `size`.
inline IntMatrix HideMatrix(const IntMatrix& v, int n, std::mt19937& rng, int enlargements,
                            int& size) {
    IntMatrix h = Congruence(v, RandomUnimodular(rng, n, 3 * n), n);
    size = n;
    for (int k = 0; k < enlargements; ++k) {
        h = ElementaryEnlargement(h, size, rng, UniformInt(rng, 0, 1) == 1, 2);
        size += 2;
    }
    return Congruence(h, RandomUnimodular(rng, size, 2 * size), size);
}

}  // namespace corvane::test
