// The certificates of the bounds on the Nakanishi index that a run writes, replayed by the
// independent check: on the prime knots up to ten crossings and on random Seifert matrices every
// one passes, and one entry changed, a generator dropped or a wrong nullity fails.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/cli_support.h"
#include "unknotting/certificate_check.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

// The knots of tests/data/random-seifert.tsv as a knot list: name and matrix of each row.
void WriteRandomList(const fs::path& list) {
    std::ifstream in(fs::path(CORVANE_TEST_DATA_DIR) / "random-seifert.tsv");
    std::ofstream out(list);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '%' || line.starts_with("name\t")) continue;
        std::stringstream fields(line);
        std::string name;
        std::string matrix;
        std::getline(fields, name, '\t');
        std::getline(fields, matrix, '\t');
        out << name << "  " << matrix << "\n";
    }
}

std::vector<json> RunLarge(const fs::path& list) {
    EXPECT_EQ(test::RunCli("--quiet --json --compute-all --nakanishi-effort=large " + list.string())
                  .exitCode,
              0);
    std::vector<json> knots;
    std::stringstream in(
        test::ReadFile(list.parent_path() / (list.stem().string() + "_output.jsonl")));
    for (std::string line; std::getline(in, line);) knots.push_back(ParseJsonExactly(line));
    return knots;
}

bool Passes(const json& knot) {
    return CheckKnotCertificates(knot).ok();
}

// Tamperings of a certificate that must each fail, on the knot's "nakanishi" object.
void ExpectTamperingsFail(const json& knot) {
    const json& nakanishi = knot["nakanishi"];
    const json& upper = nakanishi["certificate"]["upper"];
    const json& lower = nakanishi["certificate"]["lower"];
    json t = knot;
    // The JSON states no bounds whose text gives no numbers (a gap above 3): nothing to tamper.
    if (upper.is_object() && upper.value("method", "") == "generators" &&
        nakanishi["upper"].is_number()) {
        // A relation's constant term changed: the product changes by a column of tV - Vᵀ.
        json& y = t["nakanishi"]["certificate"]["upper"]["relations"][0][0];
        if (y.empty()) y.push_back(0);
        y[0] = y[0].get<int64_t>() + 1;
        EXPECT_FALSE(Passes(t));
        t = knot;
        t["nakanishi"]["certificate"]["upper"]["shift"] = upper["shift"].get<int>() + 1;
        EXPECT_FALSE(Passes(t));
        t = knot;
        t["nakanishi"]["upper"] = nakanishi["upper"].get<int>() - 1;
        EXPECT_FALSE(Passes(t));
        // When the bounds meet, fewer generators cannot generate: dropping one must fail.
        if (nakanishi["lower"] == nakanishi["upper"]) {
            t = knot;
            json& c = t["nakanishi"]["certificate"]["upper"];
            c["generators"].erase(0);
            for (json& row : c["coefficients"]) row.erase(0);
            t["nakanishi"]["upper"] = nakanishi["upper"].get<int>() - 1;
            EXPECT_FALSE(Passes(t));
        }
        t = knot;
        t["nakanishi"]["certificate"]["upper"] = nullptr;
        EXPECT_FALSE(Passes(t));
    }
    if (!lower.is_object() || !nakanishi["lower"].is_number()) return;
    t = knot;
    json& data = t["nakanishi"]["certificate"]["lower"];
    const std::string obstruction = lower.value("obstruction", "");
    if (obstruction == "alexander module") data["nullity"] = lower["nullity"].get<int>() + 1;
    if (obstruction == "double cover") data["generators"] = lower["generators"].get<int>() + 1;
    if (obstruction == "cyclic cover") data["dimension"] = lower["dimension"].get<int>() + 1;
    if (obstruction == "alexander") t["nakanishi"]["lower"] = 2;
    EXPECT_FALSE(Passes(t));
}

TEST(NakanishiCertificates, EveryCertificateOfTheRolfsenTableAndOfRandomMatricesReplays) {
    const fs::path dir = fs::temp_directory_path() / ("corvane-nk-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(CORVANE_TEST_DATA_DIR) / "rolfsen-10-braids.txt", dir / "rolfsen.txt");
    WriteRandomList(dir / "random.txt");
    std::map<std::string, int> kinds;
    for (const char* list : {"rolfsen.txt", "random.txt"}) {
        for (const json& knot : RunLarge(dir / list)) {
            SCOPED_TRACE(knot["name"].get<std::string>());
            for (const std::string& failure : CheckKnotCertificates(knot).failures)
                ADD_FAILURE() << failure;
            const json& nakanishi = knot["nakanishi"];
            if (!nakanishi.is_object()) continue;
            // Every stated bound has its certificate.
            const json& certificate = nakanishi["certificate"];
            if (nakanishi["upper"].is_number()) {
                ASSERT_TRUE(certificate["upper"].is_object());
            }
            if (nakanishi["lower"].is_number() && nakanishi["lower"].get<int>() > 0) {
                ASSERT_TRUE(certificate["lower"].is_object());
                ++kinds[certificate["lower"]["obstruction"].get<std::string>()];
            }
            if (certificate["upper"].is_object())
                ++kinds[certificate["upper"]["method"].get<std::string>()];
            // The check passes knots whose computation ended in an error.
            if (knot["status"] == "done") ExpectTamperingsFail(knot);
        }
    }
    // 17 knots up to ten crossings have H_1(L_2) on two generators, 9 need two over F_p.
    EXPECT_GE(kinds["double cover"], 17);
    EXPECT_GE(kinds["alexander module"], 9);
    EXPECT_GE(kinds["generators"], 249 + 200);
    EXPECT_GE(kinds["trivial"], 1);

    // The command line names the knot whose certificate fails and exits 1.
    const fs::path results = dir / "rolfsen_output.jsonl";
    std::stringstream in(test::ReadFile(results));
    std::string first;
    std::getline(in, first);
    json knot = ParseJsonExactly(first);
    knot["nakanishi"]["certificate"]["upper"]["shift"] = 7;
    std::ofstream(dir / "tampered.jsonl") << knot.dump() << "\n";
    const test::CommandResult verify =
        test::RunCli("--verify " + (dir / "tampered.jsonl").string());
    EXPECT_EQ(verify.exitCode, 1);
    EXPECT_NE(verify.output.find(knot["name"].get<std::string>() + ": nakanishi upper bound 1: "),
              std::string::npos)
        << verify.output;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane
