// The signature-nullity bound on connected sums whose signature functions are worked out by hand,
// and its certificates: they pass the independent check, and every changed entry fails it.
#include "invariants/signature_nullity.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arith/test_matrices.h"
#include "unknotting/certificate.h"
#include "unknotting/certificate_check.h"

namespace corvane {
namespace {

using json = nlohmann::ordered_json;
using Rows = std::vector<std::vector<int64_t>>;

// Seifert matrices of negative signature: T(2, k) as the (k-1) × (k-1) matrix with -1 on the
// diagonal and 1 above it, whose σ_ω drops by 2 at the angles (2j+1)·180°/k; the genus-one
// [[-1, 1], [0, -a]] with Δ = a·t² - (2a - 1)·t + a, whose σ_ω drops by 2 at cos θ = 1 - 1/(2a).
Rows Torus(int k) {
    Rows v(static_cast<size_t>(k - 1), std::vector<int64_t>(static_cast<size_t>(k - 1), 0));
    for (int i = 0; i + 1 < k; ++i) {
        v[static_cast<size_t>(i)][static_cast<size_t>(i)] = -1;
        if (i + 2 < k) v[static_cast<size_t>(i)][static_cast<size_t>(i + 1)] = 1;
    }
    return v;
}
Rows GenusOne(int a) {
    return {{-1, 1}, {0, -a}};
}
Rows Mirror(Rows v) {
    for (auto& row : v)
        for (int64_t& x : row) x = -x;
    return v;
}
Rows Sum(const std::vector<Rows>& blocks) {
    size_t n = 0;
    for (const Rows& b : blocks) n += b.size();
    Rows v(n, std::vector<int64_t>(n, 0));
    size_t at = 0;
    for (const Rows& b : blocks) {
        for (size_t i = 0; i < b.size(); ++i)
            for (size_t j = 0; j < b.size(); ++j) v[at + i][at + j] = b[i][j];
        at += b.size();
    }
    return v;
}

struct Case {
    const char* name;
    Rows v;
    int bound;
    int plus;   // the largest η + σ
    int minus;  // the largest η - σ
};

// Angles of the roots: T(2,3) 60°; T(2,5) 36°, 108°; T(2,7) 25.7°, 77.1°, 128.6°; genus one
// a = 2, 3, 5, 8, 10: 41.4°, 33.6°, 25.8°, 20.4°, 18.2°.
const std::vector<Case> kCases = {
    // 0 on (0°, 60°), -2 beyond; at 60° η = 1, σ = -1.
    {"3_1", Torus(3), 1, 0, 2},
    // σ = 0 off 60°, where η = 2 and σ = 0: only the root gives the bound 1 + 1.
    {"3_1 # -3_1", Sum({Torus(3), Mirror(Torus(3))}), 2, 2, 2},
    // -2 on (36°, 60°), +2 on (60°, 108°), 0 elsewhere; at 60° η = 2, σ = 0.
    {"T(2,5) # -3_1 # -3_1", Sum({Torus(5), Mirror(Torus(3)), Mirror(Torus(3))}), 2, 2, 2},
    // +2, +4, +2, 0 from 25.8° on, then -2 beyond 60° and -4 beyond 108°: 2 + 2, while the 16
    // sampled Levine-Tristram values (multiples of 22.5°) see only +2 and -4.
    {"-K_5 # -K_3 # T(2,5) # 3_1 # K_2",
     Sum({Mirror(GenusOne(5)), Mirror(GenusOne(3)), Torus(5), Torus(3), GenusOne(2)}), 4, 4, 4},
    // +2 on (18.2°, 20.4°), +4 to 25.7°, +2 to 77.1°, 0 to 128.6°, -2 beyond: 2 + 1.
    {"-K_10 # -K_8 # T(2,7)", Sum({Mirror(GenusOne(10)), Mirror(GenusOne(8)), Torus(7)}), 3, 4, 2},
};

TEST(SignatureNullity, ConnectedSumsGiveTheBoundsWorkedOutByHand) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const int n = static_cast<int>(c.v.size());
        const SignatureNullityResult r = SignatureNullityBound(test::FromRows(c.v), n);
        ASSERT_TRUE(r.decided);
        EXPECT_EQ(r.bound, c.bound);
        EXPECT_EQ(r.plus.nullity + r.plus.signature, c.plus);
        EXPECT_EQ(r.minus.nullity - r.minus.signature, c.minus);
        // The mirror image exchanges the two maxima.
        const SignatureNullityResult m = SignatureNullityBound(test::FromRows(Mirror(c.v)), n);
        EXPECT_EQ(m.bound, c.bound);
        EXPECT_EQ(m.plus.nullity + m.plus.signature, c.minus);
    }
    EXPECT_FALSE(
        SignatureNullityBound(test::FromRows({{0}}), kSignatureNullityMaxSize + 1).decided);
}

json KnotWith(const Rows& v, int lower, const json& certificate) {
    return {{"status", "done"},
            {"minimal_matrix", v},
            {"unknotting",
             {{"lower", lower},
              {"upper", nullptr},
              {"certificate", {{"lower", certificate}, {"upper", nullptr}}}}}};
}

TEST(SignatureNullity, CertificatesReplayAndEveryChangedEntryFails) {
    using Change = void (*)(json & points);
    const std::vector<std::pair<const char*, Change>> changes = {
        {"signature", [](json& p) { p[0]["signature"] = p[0]["signature"].get<int>() + 2; }},
        {"nullity", [](json& p) { p[0]["nullity"] = p[0]["nullity"].get<int>() + 1; }},
        {"a point dropped", [](json& p) { p.erase(p.size() - 1); }},
        {"0/0",
         [](json& p) {
             p[0] = {{"tau", "0/0"}, {"signature", 0}, {"nullity", 0}};
         }},
        {"τ = 0",
         [](json& p) {
             p[0] = {{"tau", "0"}, {"signature", 0}, {"nullity", 0}};
         }},
    };
    const std::vector<std::pair<const char*, Change>> rootChanges = {
        {"no root inside",
         [](json& p) {
             p[0]["interval"] = {"1", "2"};
         }},
        {"τ = -1/√3 inside",
         [](json& p) {
             p[0]["interval"] = {"-1", "1"};
         }},
        {"factor",
         [](json& p) {
             p[0]["factor"] = {-2, 0, 1};
         }},  // τ² = 2
        {"reducible",
         [](json& p) {
             p[0]["factor"] = {1, 0, -4, 0, 3};
         }},
        {"not a root",
         [](json& p) {
             p[0]["factor"] = {-2, 0, 3};
         }},
    };
    int roots = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const int n = static_cast<int>(c.v.size());
        const json certificate =
            json::parse(SignatureNullityCertificate(test::FromRows(c.v), n, c.bound));
        EXPECT_TRUE(CheckKnotCertificates(KnotWith(c.v, c.bound, certificate)).ok())
            << certificate.dump();
        EXPECT_FALSE(CheckKnotCertificates(KnotWith(c.v, c.bound + 1, certificate)).ok());
        EXPECT_EQ(SignatureNullityCertificate(test::FromRows(c.v), n, c.bound + 1), "");
        const bool root = certificate["points"][0].contains("factor");
        roots += root ? 1 : 0;
        for (const auto& [what, change] : changes) {
            SCOPED_TRACE(what);
            json tampered = certificate;
            change(tampered["points"]);
            EXPECT_FALSE(CheckKnotCertificates(KnotWith(c.v, c.bound, tampered)).ok());
        }
        for (const auto& [what, change] : rootChanges) {
            if (!root) continue;
            SCOPED_TRACE(what);
            json tampered = certificate;
            change(tampered["points"]);
            EXPECT_FALSE(CheckKnotCertificates(KnotWith(c.v, c.bound, tampered)).ok());
        }
    }
    // A root point written by hand: 60° is τ = 1/√3, a root of 3τ² - 1 with η = 2 and σ = 0 on
    // T(2,5) # -3_1 # -3_1; an interval that reaches 36° (τ = tan 18° ≈ 0.325) holds two roots.
    const Rows v = kCases[2].v;
    const auto root = [](const char* lo, const char* hi) {
        return json({{"obstruction", "signature-nullity"},
                     {"points",
                      {{{"factor", {-1, 0, 3}},
                        {"interval", {lo, hi}},
                        {"signature", 0},
                        {"nullity", 2}}}}});
    };
    EXPECT_TRUE(CheckKnotCertificates(KnotWith(v, 2, root("57/100", "58/100"))).ok());
    EXPECT_FALSE(CheckKnotCertificates(KnotWith(v, 2, root("3/10", "1"))).ok());
    // Arcs come first among equal values; only for 3_1 # -3_1 does a root, 60°, reach the maxima.
    EXPECT_EQ(roots, 1);
}

}  // namespace
}  // namespace corvane
