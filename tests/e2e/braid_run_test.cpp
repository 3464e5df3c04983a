// A whole run over the Rolfsen table given as braid words: every knot gets the Alexander
// polynomial, determinant and signature computed independently from its Seifert matrix.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "arith/test_matrices.h"
#include "driver/run_calculation.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

class SilentHost : public RunHost {
  public:
    void DrawText(int, int, std::string_view, StatusKind) override {}
};

// The value of a text result field without its tag and trailing blanks.
std::string Field(const KnotRecord& knot, std::string_view code) {
    for (const std::string& slot : knot.textFields) {
        if (slot.size() < 2 || slot.compare(0, 2, code) != 0) continue;
        const std::size_t end = slot.find_last_not_of(' ');
        return end < 2 ? std::string() : slot.substr(2, end - 1);
    }
    return {};
}

// "1-t+t^2" -> {1, -1, 1}: integral coefficients from t^0 up.
std::vector<int64_t> Coefficients(const std::string& text) {
    std::vector<int64_t> c;
    std::size_t i = 0;
    while (i < text.size()) {
        int64_t sign = 1;
        if (text[i] == '+' || text[i] == '-') sign = text[i++] == '-' ? -1 : 1;
        int64_t value = 1;
        if (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            std::size_t used = 0;
            value = std::stoll(text.substr(i), &used);
            i += used;
        }
        std::size_t exponent = 0;
        if (i < text.size() && text[i] == 't') {
            ++i;
            exponent = 1;
            if (i < text.size() && text[i] == '^') {
                std::size_t used = 0;
                exponent = std::stoul(text.substr(i + 1), &used);
                i += used + 1;
            }
        }
        if (c.size() <= exponent) c.resize(exponent + 1, 0);
        c[exponent] += sign * value;
    }
    if (!c.empty() && c.back() < 0)
        for (int64_t& x : c) x = -x;
    return c;
}

TEST(BraidRun, RolfsenBraidsAgainstTheReference) {
    const std::string data = CORVANE_TEST_DATA_DIR;
    const auto references = test::ReadKnotReferences(data + "/rolfsen-8-reference.tsv");
    const fs::path dir =
        fs::temp_directory_path() / ("corvane-braids-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(data + "/rolfsen-8-braids.txt", dir / "braids.txt");

    RunState state;
    SilentHost host;
    ASSERT_EQ(RunCalculation(state, host, dir / "braids.txt").end, RunEnd::Done);
    ASSERT_EQ(state.KnotCount(), 35);
    for (const KnotRecord& knot : state.Knots) {
        SCOPED_TRACE(knot.name);
        const test::KnotReference& r = references.at(knot.name);
        EXPECT_EQ(Coefficients(Field(knot, "al")), r.alexander);
        // det(V + V^T) changes sign with every elementary enlargement, so the minimal matrix
        // the run computes on agrees with the braid's matrix up to sign.
        EXPECT_EQ(std::llabs(std::stoll(Field(knot, "dt"))), std::llabs(r.det));
        EXPECT_EQ(std::stoi(Field(knot, "si")), r.signature);
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace corvane
