// The tables of symmetric forms over Z/4: the six 2 × 2 forms worked out by hand, the 224 3 × 3
// forms against PARI/GP's enumeration, their closure under congruence, and cong34.txt as a run
// writes it (or reports that it could not).
#include "unknotting/linking_forms.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "driver/run_calculation.h"
#include "knot/knot_context.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

Form2 F2(int32_t m11, int32_t m12, int32_t m21, int32_t m22) {
    Form2 f;
    f(1, 1) = m11;
    f(1, 2) = m12;
    f(2, 1) = m21;
    f(2, 2) = m22;
    return f;
}

Form3 F3(std::initializer_list<int32_t> rowByRow) {
    Form3 f;
    int i = 0;
    for (const int32_t x : rowByRow) f.entries[i++] = x;
    return f;
}

// A·F·Aᵀ reduced into 0..3, computed directly.
template <int N>
FormMod4<N> Congruent(const FormMod4<N>& a, const FormMod4<N>& f) {
    FormMod4<N> r;
    for (int i = 1; i <= N; ++i)
        for (int j = 1; j <= N; ++j) {
            int64_t s = 0;
            for (int k = 1; k <= N; ++k)
                for (int l = 1; l <= N; ++l) s += int64_t{a(i, k)} * f(k, l) * a(j, l);
            r(i, j) = static_cast<int32_t>(((s % 4) + 4) % 4);
        }
    return r;
}

template <int N>
bool Contains(const std::vector<FormMod4<N>>& table, const FormMod4<N>& f) {
    for (const auto& t : table)
        if (t == f) return true;
    return false;
}

template <int N>
bool Symmetric(const FormMod4<N>& f) {
    for (int i = 1; i <= N; ++i)
        for (int j = 1; j <= N; ++j)
            if (f(i, j) != f(j, i)) return false;
    return true;
}

// Built once: the enumeration visits 4^9 matrices.
const std::vector<Form3>& Table3() {
    static const std::vector<Form3> table = BuildFormTable3();
    return table;
}

std::vector<std::string> ReferenceLines() {
    std::ifstream in(std::string(CORVANE_TEST_DATA_DIR) + "/linking-forms-3.txt");
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

TEST(FormTable2, TheSixFormsInOrderOfDiscovery) {
    // The first A of odd determinant is c = 20 (digits 0, 1, 1, 0: A = [[0, 1], [1, 0]]), which
    // fixes both standard forms, so they come first; the order of the other four is the one
    // PARI/GP finds.
    const std::vector<Form2> expected{F2(1, 0, 0, 1), F2(1, 2, 2, 1), F2(2, 1, 1, 1),
                                      F2(2, 3, 3, 1), F2(1, 1, 1, 2), F2(1, 3, 3, 2)};
    EXPECT_EQ(BuildFormTable2(), expected);
}

TEST(FormTable2, ClosedUnderEveryInvertibleMatrixModulo4) {
    const std::vector<Form2> table = BuildFormTable2();
    for (int c = 0; c < 256; ++c) {
        const Form2 a = F2(c % 4, (c / 16) % 4, (c / 4) % 4, c / 64);
        if ((a(1, 1) * a(2, 2) - a(1, 2) * a(2, 1)) % 2 == 0) continue;
        for (const Form2& f : table) EXPECT_TRUE(Contains(table, Congruent(a, f))) << c;
    }
    // The even form [[0, 1], [1, 0]] and the odd forms of other determinants stay out.
    EXPECT_FALSE(Contains(table, F2(0, 1, 1, 0)));
    EXPECT_FALSE(Contains(table, F2(3, 0, 0, 3)));
    EXPECT_FALSE(Contains(table, F2(1, 0, 0, 3)));
}

TEST(FormTable3, TwoHundredTwentyFourSymmetricFormsAsPariFindsThem) {
    const std::vector<Form3>& table = Table3();
    ASSERT_EQ(table.size(), 224u);
    EXPECT_EQ(table[0], F3({1, 0, 0, 0, 1, 0, 0, 0, 1}));
    EXPECT_EQ(table[1], F3({1, 0, 0, 0, 1, 2, 0, 2, 1}));
    EXPECT_EQ(table[2], F3({1, 0, 2, 0, 1, 0, 2, 0, 1}));
    for (const Form3& f : table) EXPECT_TRUE(Symmetric(f));

    const std::vector<std::string> reference = ReferenceLines();
    ASSERT_EQ(reference.size(), 2016u);
    for (size_t e = 0; e < table.size(); ++e)
        for (int k = 0; k < 9; ++k)
            EXPECT_EQ(std::to_string(table[e].entries[k]), reference[9 * e + k]) << e << " " << k;
}

TEST(FormTable3, ClosedUnderTheGeneratorsOfTheInvertibleMatrices) {
    // Transvections, a transposition and the scaling by 3 generate GL_3(Z/4).
    std::vector<Form3> generators;
    for (int i = 1; i <= 3; ++i)
        for (int j = 1; j <= 3; ++j) {
            Form3 a = F3({1, 0, 0, 0, 1, 0, 0, 0, 1});
            if (i == j) {
                a(i, i) = 3;
            } else {
                a(i, j) = 1;
            }
            generators.push_back(a);
        }
    generators.push_back(F3({0, 1, 0, 1, 0, 0, 0, 0, 1}));
    const std::vector<Form3>& table = Table3();
    for (const Form3& a : generators)
        for (const Form3& f : table) EXPECT_TRUE(Contains(table, Congruent(a, f)));
}

TEST(FormTable3, FileTextHasNineCrLfLinesPerForm) {
    const std::vector<Form3>& table = Table3();
    const std::string text = FormTable3Text(table);
    std::string expected;
    for (const std::string& line : ReferenceLines()) expected += line + "\r\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(FormTable3Text({}), "");
}

fs::path FreshDir(const std::string& name) {
    const fs::path dir = fs::temp_directory_path() / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "knots.txt", std::ios::binary) << "3_1\t[[-1, 0], [-1, -1]]\n";
    return dir;
}

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(FormTable3, ARunWritesCong34OnlyWhenAsked) {
    SilentRunHost host;
    {
        const fs::path dir = FreshDir("corvane_cong34_off");
        RunState state;
        RunCalculation(state, host, dir / "knots.txt");
        EXPECT_FALSE(fs::exists(dir / "cong34.txt"));
    }
    const fs::path dir = FreshDir("corvane_cong34_on");
    std::ofstream(dir / "cong34.txt", std::ios::binary) << "earlier contents\r\n";
    RunState state;
    state.Settings.checkU3 = true;
    const RunOutcome outcome = RunCalculation(state, host, dir / "knots.txt");
    EXPECT_EQ(outcome.writeFailure, "");
    EXPECT_EQ(ReadBytes(dir / "cong34.txt"), FormTable3Text(Table3()));
    for (const auto& entry : fs::directory_iterator(dir)) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "knots.txt" || name == "cong34.txt" || name == "knots_output.txt" ||
                    name == "knots_output.tex")
            << name;
    }
}

TEST(FormTable3, AFailedWriteIsReported) {
    SilentRunHost host;
    const fs::path dir = FreshDir("corvane_cong34_blocked");
    fs::create_directories(dir / "cong34.txt" / "occupied");
    RunState state;
    state.Settings.checkU3 = true;
    const RunOutcome outcome = RunCalculation(state, host, dir / "knots.txt");
    EXPECT_NE(outcome.writeFailure.find("cong34.txt"), std::string::npos) << outcome.writeFailure;
    EXPECT_EQ(outcome.end, RunEnd::Done);
    EXPECT_TRUE(fs::exists(dir / "knots_output.txt"));
}

}  // namespace
}  // namespace corvane
