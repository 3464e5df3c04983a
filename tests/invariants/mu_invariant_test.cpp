// mu(K) against its definition evaluated by PARI/GP on the Rolfsen table, on connected sums
// whose zeros on the circle have nullity two, and the stop flag.
#include "invariants/mu_invariant.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "arith/test_matrices.h"

namespace corvane {
namespace {

struct MuReference {
    int mu = 0;
    int spread = 0;
    int rootsOnCircle = 0;
};

std::map<std::string, MuReference> ReadMuReferences() {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/mu-reference.tsv");
    std::map<std::string, MuReference> refs;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '%') continue;
        std::stringstream fields(line);
        std::string name;
        MuReference r;
        fields >> name >> r.mu >> r.spread >> r.rootsOnCircle;
        refs[name] = r;
    }
    return refs;
}

TEST(MuInvariant, RolfsenTableAgreesWithTheDefinition) {
    const auto refs = ReadMuReferences();
    const auto knots =
        test::ReadKnotMatrices(std::string(CORVANE_TEST_DATA_DIR) + "/rolfsen-8-matrices.txt");
    ASSERT_EQ(knots.size(), 35u);
    const std::atomic<bool> stop = false;
    int widened = 0;
    for (const auto& k : knots) {
        SCOPED_TRACE(k.name);
        ASSERT_EQ(refs.count(k.name), 1u);
        const MuReference& ref = refs.at(k.name);
        const MuResult r = MuInvariant(k.v, k.n, stop);
        EXPECT_FALSE(r.stopped);
        EXPECT_EQ(r.mu, ref.mu);
        EXPECT_EQ(r.mu, r.maxSig - r.minSig);
        // Without zeros on the circle nothing widens the spread of the samples.
        if (ref.rootsOnCircle == 0) {
            EXPECT_EQ(r.mu, ref.spread);
        }
        widened += ref.mu > ref.spread;
    }
    EXPECT_GE(widened, 2);  // 8_18 and 8_20
}

// V ⊕ W.
IntMatrix BlockSum(const IntMatrix& v, int n, const IntMatrix& w, int m) {
    IntMatrix s;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) s(i, j) = v(i, j);
    for (int i = 1; i <= m; ++i)
        for (int j = 1; j <= m; ++j) s(n + i, n + j) = w(i, j);
    return s;
}

TEST(MuInvariant, ZeroOfNullityTwoWidensByTwoOnEachSide) {
    const IntMatrix trefoil = test::FromRows({{-1, 0}, {-1, -1}});
    const IntMatrix mirror = test::FromRows({{1, 1}, {0, 1}});  // -Vᵀ
    const std::atomic<bool> stop = false;
    // The square knot: the signature function is 0 off the zeros exp(±iπ/3), where the form has
    // signature 0 and nullity 2.
    const MuResult square = MuInvariant(BlockSum(trefoil, 2, mirror, 2), 4, stop);
    EXPECT_EQ(square.maxSig, 2);
    EXPECT_EQ(square.minSig, -2);
    EXPECT_EQ(square.mu, 4);
    // The granny knot: signature 0 or 4 in modulus, and -2 ± 2 at the zeros.
    const MuResult granny = MuInvariant(BlockSum(trefoil, 2, trefoil, 2), 4, stop);
    EXPECT_EQ(granny.mu, 4);
    EXPECT_EQ(MuInvariant(trefoil, 2, stop).mu, 2);
}

TEST(MuInvariant, StopEndsTheEstimate) {
    const std::atomic<bool> stop = true;
    const MuResult r = MuInvariant(test::FromRows({{-1, 0}, {-1, -1}}), 2, stop);
    EXPECT_TRUE(r.stopped);
    EXPECT_THROW(MuInvariant(IntMatrix{}, 71, stop), RangeError);
}

}  // namespace
}  // namespace corvane
