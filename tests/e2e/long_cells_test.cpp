// Cells of any length in every results file: the Alexander polynomials of torus knots with 40 to
// 70-row minimal matrices and one with coefficients beyond 64 bits, read back from the text
// table, the LaTeX table and the JSON Lines, and from the text table once more after a resume;
// and rows that get no invariants, which claim no bound on the unknotting number.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "arith/test_matrices.h"
#include "e2e/cli_support.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;
using test::i128;
using Poly = std::map<int, std::string>;  // exponent -> non-zero coefficient in decimal

// Δ of T(p, q), q odd for p = 2: (t^pq - 1)(t - 1) / ((t^p - 1)(t^q - 1)), by exact division.
Poly TorusAlexander(int p, int q) {
    std::vector<i128> c(static_cast<size_t>(p * q + 2), 0);
    c[0] = 1;
    c[1] = -1;
    c[static_cast<size_t>(p * q)] = -1;
    c[static_cast<size_t>(p * q + 1)] = 1;
    for (const int d : {p, q}) {
        for (size_t k = c.size() - 1; k >= static_cast<size_t>(d); --k) {
            c[k - static_cast<size_t>(d)] += c[k];  // c := c / (t^d - 1), top down
        }
        c.erase(c.begin(), c.begin() + d);
    }
    Poly poly;
    for (size_t k = 0; k < c.size(); ++k) {
        if (c[k] != 0) poly[static_cast<int>(k)] = test::ToString(c[k]);
    }
    return poly;
}

// Δ of the connected sum of two knots with Seifert matrix [[a, 1], [0, a]]: each has
// det(tV - Vᵀ) = a²t² + (1 - 2a²)t + a², so Δ = (a²t² + (1 - 2a²)t + a²)², exact in 128 bits
// for a < 2^31.
Poly SquareOfTwist(i128 a) {
    const i128 s = a * a;
    const std::vector<i128> f{s, 1 - 2 * s, s};
    Poly poly;
    for (int k = 0; k <= 4; ++k) {
        i128 c = 0;
        for (int i = std::max(0, k - 2); i <= std::min(2, k); ++i) c += f[i] * f[k - i];
        poly[k] = test::ToString(c);
    }
    return poly;
}

// "c0+c1t+c2t^2-..." as the text table prints it.
Poly FromText(const std::string& text) {
    Poly poly;
    static const std::regex term(R"(([+-]?)(\d*)(t(\^(\d+))?)?)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), term);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        if (m.length() == 0) continue;
        const std::string digits = m[2].length() > 0 ? m[2].str() : "1";
        const int power = m[3].length() == 0 ? 0 : (m[5].length() > 0 ? std::stoi(m[5]) : 1);
        poly[power] = (m[1] == "-" ? "-" : "") + digits;
    }
    return poly;
}

// The symmetric LaTeX form "c_0+c_1(t+t^{-1})-(t^{2}+t^{-2})..." of a polynomial of degree 2h,
// shifted back to the powers t^0..t^2h.
Poly FromSymmetricLatex(const std::string& text, int h) {
    Poly poly;
    static const std::regex pair(R"(([+-]?)(\d*)\(t(\^\{(\d+)\})?\+t\^\{-\d+\}\))");
    std::string rest = text;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pair);
         it != std::sregex_iterator(); ++it) {
        const std::smatch& m = *it;
        const int j = m[4].length() > 0 ? std::stoi(m[4]) : 1;
        const std::string c = (m[1] == "-" ? "-" : "") + (m[2].length() > 0 ? m[2].str() : "1");
        poly[h + j] = c;
        poly[h - j] = c;
        rest.erase(rest.find(m.str()), m.length());
    }
    if (!rest.empty() && rest != "0") poly[h] = rest.front() == '+' ? rest.substr(1) : rest;
    return poly;
}

// "[c0,c1,...]" of a JSON line.
Poly FromJsonArray(const std::string& line, const std::string& key) {
    const size_t open = line.find("\"" + key + "\":[");
    if (open == std::string::npos) return {};
    const size_t start = line.find('[', open) + 1;
    std::stringstream in(line.substr(start, line.find(']', start) - start));
    Poly poly;
    int k = 0;
    for (std::string c; std::getline(in, c, ','); ++k) {
        if (c != "0") poly[k] = c;
    }
    return poly;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// The line of the knot named `name` (the name at its start, then a blank, "|" or "$").
std::string LineOf(const std::vector<std::string>& lines, const std::string& name) {
    for (const std::string& line : lines) {
        if (line.rfind(name, 0) == 0 && line.size() > name.size() &&
            std::string(" |$&\"").find(line[name.size()]) != std::string::npos)
            return line;
    }
    return {};
}

std::string Braid(int strands, int twists) {
    std::string word = "{";
    for (int k = 0; k < twists; ++k) {
        for (int i = 1; i < strands; ++i) word += (word.size() > 1 ? "," : "") + std::to_string(i);
    }
    return word + "}";
}

TEST(LongCells, PolynomialsOfAnyLengthAndSizeAreWrittenWholeEverywhere) {
    const i128 a = 2147483647;
    struct Case {
        std::string name;
        std::string line;
        Poly alexander;
    };
    const std::vector<Case> cases{
        {"T2x41", Braid(2, 41), TorusAlexander(2, 41)},
        {"T4x23", Braid(4, 23), TorusAlexander(4, 23)},
        {"T2x71", Braid(2, 71), TorusAlexander(2, 71)},
        {"Twists",
         "[[" + test::ToString(a) + ", 1, 0, 0], [0, " + test::ToString(a) + ", 0, 0], [0, 0, " +
             test::ToString(a) + ", 1], [0, 0, 0, " + test::ToString(a) + "]]",
         SquareOfTwist(a)},
    };
    const fs::path dir = fs::temp_directory_path() / ("corvane-long-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
        std::ofstream list(dir / "knots.txt");
        for (const Case& c : cases) list << c.name << "  " << c.line << "\n";
        list << "link  {1,1}\n";
        list << "square  [[1, 0], [0, 1]]\n";
    }
    const std::string list = (dir / "knots.txt").string();
    ASSERT_EQ(test::RunCli("--quiet --json --jobs=2 " + list).exitCode, 0);
    const std::vector<std::string> text = Lines(test::ReadFile(dir / "knots_output.txt"));
    const std::vector<std::string> tex = Lines(test::ReadFile(dir / "knots_output.tex"));
    const std::vector<std::string> jsonl = Lines(test::ReadFile(dir / "knots_output.jsonl"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string row = LineOf(text, c.name);
        std::vector<std::string> cells;
        std::stringstream in(row);
        for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
        ASSERT_GE(cells.size(), 4U);
        const std::string alexanderCell = cells[2].substr(1, cells[2].find_last_not_of(' '));
        EXPECT_EQ(FromText(alexanderCell), c.alexander);
        const int h = c.alexander.rbegin()->first / 2;
        const std::string texRow = LineOf(tex, c.name);
        const size_t open = texRow.find("& $", texRow.find('&') + 1) + 3;
        const std::string texCell = texRow.substr(open, texRow.find('$', open) - open);
        EXPECT_EQ(FromSymmetricLatex(texCell.substr(0, texCell.find_last_not_of(' ') + 1), h),
                  c.alexander);
        EXPECT_EQ(FromJsonArray(LineOf(jsonl, "{\"name\":\"" + c.name), "alexander"), c.alexander);
    }
    // No invariants, no bound: an empty bound cell, and nulls in the JSON.
    for (const std::string name : {"link", "square"}) {
        const std::string row = LineOf(text, name);
        EXPECT_EQ(row.substr(10, 45), "| " + std::string(42, ' ') + "|") << row;
        EXPECT_NE(LineOf(jsonl, "{\"name\":\"" + name).find("\"lower\":null,\"upper\":null"),
                  std::string::npos);
    }
    EXPECT_EQ(test::ReadFile(dir / "knots_output.tex").find("> -1"), std::string::npos);
    // A shard file and its merge carry every cell whole.
    const std::string text1 = test::ReadFile(dir / "knots_output.txt");
    fs::remove(dir / "knots_output.txt");
    ASSERT_EQ(test::RunCli("--quiet --shard=1/1 " + list).exitCode, 0);
    ASSERT_EQ(test::RunCli("--quiet --merge " + list).exitCode, 0);
    EXPECT_EQ(test::ReadFile(dir / "knots_output.txt"), text1);
    // A resume takes every row over as it stands.
    const std::string results = (dir / "knots_output.txt").string();
    ASSERT_EQ(test::RunCli("--quiet --json " + results).exitCode, 0);
    const std::vector<std::string> resumed = Lines(test::ReadFile(dir / "knots_output.txt"));
    for (const Case& c : cases) EXPECT_EQ(LineOf(resumed, c.name), LineOf(text, c.name));
    fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane
