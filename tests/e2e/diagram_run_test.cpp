// Whole runs on knot diagrams against invariants computed from the diagrams alone, never through a
// Seifert surface: the Alexander polynomial by Fox calculus on the Wirtinger presentation, the
// determinant and H_1 of the 2-fold branched cover from the same matrix at t = -1 (PARI/GP, in
// tests/data/random-diagrams.tsv). The diagrams are projections of random polygons, with kinks,
// nested and side-by-side Seifert circles, and connected sums.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

std::vector<long long> Numbers(const std::string& text) {
    std::vector<long long> numbers;
    for (const std::string& part : Split(text, ',')) numbers.push_back(std::stoll(part));
    return numbers;
}

struct Reference {
    std::string pd;
    std::vector<long long> alexander;
    long long det = 0;
    std::vector<long long> h1;
};

TEST(DiagramRun, RandomDiagramsAgainstFoxCalculusAndTheColouringMatrix) {
    std::ifstream table(std::string(CORVANE_TEST_DATA_DIR) + "/random-diagrams.tsv");
    std::map<std::string, Reference> references;
    std::string list;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '%') continue;
        const std::vector<std::string> f = Split(line, '\t');
        ASSERT_GE(f.size(), 5U) << line;
        Reference& r = references[f[0]];
        r = {f[1], Numbers(f[2]), std::stoll(f[3]), {}};
        if (f[4] != "0") r.h1 = Numbers(f[4]);
        std::sort(r.h1.begin(), r.h1.end());
        list += f[0] + "  " + f[1] + "\n";
    }
    ASSERT_GE(references.size(), 150U);
    const fs::path dir =
        fs::temp_directory_path() / ("corvane-diagrams-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "knots.txt") << list;
    const test::CommandResult run = test::RunCli("--quiet --json " + (dir / "knots.txt").string());
    ASSERT_EQ(run.exitCode, 0) << run.output;

    std::stringstream in(test::ReadFile(dir / "knots_output.jsonl"));
    std::size_t seen = 0;
    for (std::string line; std::getline(in, line); ++seen) {
        const json knot = ParseJsonExactly(line);
        const Reference& r = references.at(knot["name"].get<std::string>());
        SCOPED_TRACE(knot["name"].get<std::string>() + " " + r.pd);
        // The JSON keeps the diagram as its input.
        EXPECT_NE(knot["input"].get<std::string>().find(r.pd), std::string::npos);
        ASSERT_EQ(knot["status"], "done");
        EXPECT_EQ(knot["alexander"].get<std::vector<long long>>(), r.alexander);
        EXPECT_EQ(std::llabs(knot["determinant"].get<long long>()), r.det);
        std::vector<long long> h1 = knot["h1_double_cover"].get<std::vector<long long>>();
        std::sort(h1.begin(), h1.end());
        EXPECT_EQ(h1, r.h1);
        // Every certificate written for these knots replays, apart from obstructions the
        // check does not replay yet.
        for (const std::string& failure : CheckKnotCertificates(knot).failures) {
            EXPECT_NE(failure.find("no certificate that can be replayed"), std::string::npos)
                << failure;
        }
    }
    EXPECT_EQ(seen, references.size());

    // A resumed run keeps the rows, computes a row marked "*" again (a knotted one: its row ends
    // with the matrix the redo reads) and reads an added code.
    std::string knotted;
    for (const auto& [name, r] : references) {
        if (r.alexander.size() > 1 && name.size() <= 8) knotted = name;
    }
    ASSERT_FALSE(knotted.empty());
    const fs::path results = dir / "knots_output.txt";
    std::string text = test::ReadFile(results);
    const std::size_t row = text.find("\r\n" + knotted + " ");
    ASSERT_NE(row, std::string::npos);
    text.insert(row + 2, "*");
    text += "added  DT[6, 8, 10, 2, 4]\r\n";
    std::ofstream(results, std::ios::binary) << text;
    ASSERT_EQ(test::RunCli("--quiet " + results.string()).exitCode, 0);
    const std::string resumed = test::ReadFile(results);
    EXPECT_EQ(resumed.find("*" + knotted), std::string::npos);
    EXPECT_NE(resumed.find("\r\n" + knotted + " "), std::string::npos);
    // 5_1: the signature gives 2, two of its crossings changed give Alexander polynomial 1.
    EXPECT_NE(resumed.find("\r\nadded     |   2  detected by signature"), std::string::npos);
    fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane
