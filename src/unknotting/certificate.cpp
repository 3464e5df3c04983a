#include "unknotting/certificate.h"

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "arith/checked.h"
#include "arith/sequivalence.h"
#include "invariants/signature_nullity.h"
#include "knot/knot_context.h"
#include "unknotting/linking_pairing.h"

namespace corvane {

namespace {

using json = nlohmann::ordered_json;

json Rows(const IntMatrix& m, int n) {
    json rows = json::array();
    for (int i = 1; i <= n; ++i) {
        json row = json::array();
        for (int j = 1; j <= n; ++j) row.push_back(m(i, j));
        rows.push_back(std::move(row));
    }
    return rows;
}

// The number of cyclic summands of the "l2" slot's group ("Z/3+Z/3", or "0").
int DoubleCoverSummands(const KnotRecord& knot) {
    for (const std::string& slot : knot.textFields) {
        if (!slot.starts_with("l2")) continue;
        int count = 0;
        for (std::size_t at = slot.find("Z/"); at != std::string::npos;
             at = slot.find("Z/", at + 2))
            ++count;
        return count;
    }
    return 0;
}

std::string Dumped(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace

std::string MoveSequenceCertificate(const MoveSequence& sequence) {
    json moves = json::array();
    for (const UnknottingMove& move : sequence.moves) {
        std::vector<IntMatrix> passes;
        const int remainderSize = move.size - 2;
        if (remainderSize > 0) {
            MinimalSEquivalent(MoveRemainder(move), remainderSize, &passes);
            const bool failed = ArithTrouble;
            ClearTrouble();
            if (failed) return {};
        }
        json reduction = json::array();
        int size = remainderSize;
        for (const IntMatrix& u : passes) {
            reduction.push_back(Rows(u, size));
            size -= 2;
        }
        moves.push_back({{"given", Rows(move.given, move.givenSize)},
                         {"enlarged", Rows(move.enlarged, move.size)},
                         {"transposed", move.transposed},
                         {"basis", Rows(move.basis, move.size)},
                         {"move_matrix", Rows(move.moveMatrix, move.size)},
                         {"reduction", std::move(reduction)}});
    }
    json certificate = {{"method", "moves"}};
    if (sequence.congruenceSize > 0)
        certificate["congruence"] = Rows(sequence.congruence, sequence.congruenceSize);
    certificate["moves"] = std::move(moves);
    return Dumped(certificate);
}

std::string ReducedMovesCertificate(const IntMatrix& s, int n, const MoveSequence& sequence) {
    std::vector<IntMatrix> passes;
    MinimalSEquivalent(s, n, &passes);
    const bool failed = ArithTrouble;
    ClearTrouble();
    if (failed || sequence.congruenceSize > 0) return {};
    const std::string moves = MoveSequenceCertificate(sequence);
    if (moves.empty()) return {};
    json reduction = json::array();
    int size = n;
    for (const IntMatrix& u : passes) {
        reduction.push_back(Rows(u, size));
        size -= 2;
    }
    return Dumped({{"seifert_matrix", Rows(s, n)},
                   {"reduction", std::move(reduction)},
                   {"moves", json::parse(moves)["moves"]}});
}

std::string TrivialKnotCertificate() {
    return Dumped({{"method", "trivial"}});
}

std::string LowerBoundCertificate(const KnotRecord& knot, const IntMatrix& v, int n) {
    const int32_t lower = knot.lowerBound;
    if (lower <= 0) return {};
    if (lower == 1) return Dumped({{"obstruction", "alexander"}});
    if (std::abs(knot.signature) / 2 >= lower) {
        return Dumped({{"obstruction", "signature"}, {"signature", knot.signature}});
    }
    const int generators = DoubleCoverSummands(knot);
    if (generators >= lower) return Dumped({{"obstruction", "wendt"}, {"generators", generators}});
    if (n > 0) {
        if (std::string linking = LinkingFormCertificate(v, n, lower - 1, knot.signature);
            !linking.empty())
            return linking;
    }
    if (lower == 3 && StoimenowObstruction(knot.signature, knot.determinant)) {
        return Dumped({{"obstruction", "stoimenow"},
                       {"signature", knot.signature},
                       {"determinant", std::abs(static_cast<int64_t>(knot.determinant))}});
    }
    for (const int32_t p : kPrimeList) {
        if (n <= 0) break;
        if (std::string module = AlexanderModuleCertificate(v, n, p, lower); !module.empty())
            return module;
    }
    if (n > 0) {
        if (std::string circle = SignatureNullityCertificate(v, n, lower); !circle.empty())
            return circle;
    }
    std::string_view name = knot.detectedBy;
    while (name.ends_with(' ')) name.remove_suffix(1);
    return Dumped({{"obstruction", std::string(name)}});
}

std::string SignatureNullityCertificate(const IntMatrix& v, int n, int bound) {
    const SignatureNullityResult result = SignatureNullityBound(v, n);
    if (!result.decided || result.bound < bound) return {};
    json points = json::array();
    for (const CirclePoint* point : {&result.plus, &result.minus}) {
        json entry;
        if (point->factor.empty()) {
            entry["tau"] = point->lo;
        } else {
            // Coefficients of up to 18 digits as numbers, longer ones as their digits.
            json factor = json::array();
            for (const std::string& c : point->factor) {
                factor.push_back(c.size() <= 18 ? json(std::stoll(c)) : json(c));
            }
            entry["factor"] = std::move(factor);
            entry["interval"] = {point->lo, point->hi};
        }
        entry["signature"] = point->signature;
        entry["nullity"] = point->nullity;
        if (!points.empty() && points[0] == entry) continue;
        points.push_back(std::move(entry));
    }
    return Dumped({{"obstruction", "signature-nullity"}, {"points", std::move(points)}});
}

}  // namespace corvane
