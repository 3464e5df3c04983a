#include "output/text_results.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "arith/checked.h"
#include "knot/knot_context.h"
#include "output/file_writer.h"

namespace corvane {
namespace {

namespace fs = std::filesystem;

std::string Blanks(std::size_t n) {
    return std::string(n, ' ');
}

// The lines of a file text, each of which must end in CR LF.
std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end in CR LF: " << text.substr(start);
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

RunSettings AllOff() {
    RunSettings s;
    s.algebraicUnknotting = false;
    s.alexander = false;
    s.determinant = false;
    s.h1l2 = false;
    s.mahler = false;
    s.signature = false;
    s.levineTristram = false;
    s.nakanishi = false;
    s.generator = false;
    s.blanchfield = false;
    s.presentationMatrix = false;
    s.computeMu = false;
    s.checkU3 = false;
    s.computeAll = false;
    s.ltValueCount = 16;
    s.mahlerValueCount = 128;
    return s;
}

RunSettings AllOn() {
    RunSettings s;
    s.algebraicUnknotting = true;
    s.alexander = true;
    s.determinant = true;
    s.h1l2 = true;
    s.mahler = true;
    s.signature = true;
    s.levineTristram = true;
    s.nakanishi = true;
    s.generator = true;
    s.blanchfield = true;
    s.presentationMatrix = true;
    s.computeMu = true;
    s.checkU3 = true;
    s.computeAll = false;
    s.ltValueCount = 8096;
    s.mahlerValueCount = 2097152;
    return s;
}

// Appends a knot with the run-start slot layout, as the reader and the run start leave it.
KnotRecord& AddKnot(RunState& state, const std::string& name, const std::string& matrix) {
    KnotRecord& knot = state.Knots.Append();
    knot.name = name;
    knot.inputLine = name + Blanks(11 - name.size()) + matrix;
    ApplyInitialResultLayout(knot);
    knot.lowerBound = 0;
    knot.upperBound = -1;
    return knot;
}

// Stores results for knot i the way the calculation does: through SetResultField on the knot's
// own state, whose record then goes back into the table.
void SetFields(RunState& state, int i, const std::vector<std::string>& fields) {
    KnotState knot;
    knot.record = state.Knots(i);
    for (const std::string& f : fields) SetResultField(knot, f, f);
    state.Knots(i) = std::move(knot.record);
}

// Marks knots 1..count as computed: their results are final.
void MarkComputed(RunState& state, int count) {
    for (int i = 1; i <= count; ++i) state.Knots(i).computed = true;
}

// Positions of the column separators "|" in a line.
std::vector<std::size_t> Bars(const std::string& line) {
    std::vector<std::size_t> bars;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '|') bars.push_back(i);
    }
    return bars;
}

// --- File name ---

TEST(ResultsFileNameTest, InsertsOutputBeforeTheLastDot) {
    EXPECT_EQ(ResultsFileName("knots.txt"), "knots_output.txt");
    EXPECT_EQ(ResultsFileName("my.list.txt"), "my.list_output.txt");
    EXPECT_EQ(ResultsFileName("knots."), "knots_output.");
    EXPECT_EQ(ResultsFileName(".knots"), "_output.knots");
}

TEST(ResultsFileNameTest, NameWithoutDotGetsOutputAppended) {
    EXPECT_EQ(ResultsFileName("list"), "list_output");
}

TEST(ResultsFileNameTest, NameContainingOutputIsKeptSoTheFileIsRewrittenInPlace) {
    EXPECT_EQ(ResultsFileName("knots_output.txt"), "knots_output.txt");
    EXPECT_EQ(ResultsFileName("knots_output"), "knots_output");
    EXPECT_EQ(ResultsFileName("old_outputs.v2.txt"), "old_outputs.v2.txt");
    EXPECT_EQ(ResultsFileName("my_output.list.txt"), "my_output.list.txt");
}

TEST(ResultsFileNameTest, LongExtensionIsKeptWhole) {
    const std::string extension = "." + std::string(1200, 'e');
    EXPECT_EQ(ResultsFileName("k" + extension), "k_output" + extension);
}

TEST(ResultsFileNameTest, PathKeepsTheFolderAndLooksOnlyAtTheFileName) {
    EXPECT_EQ(ResultsFilePath("/data/lists/knots.txt"), fs::path("/data/lists/knots_output.txt"));
    EXPECT_EQ(ResultsFilePath("/data/v1.2/list"), fs::path("/data/v1.2/list_output"));
    EXPECT_EQ(ResultsFilePath("/x_output/knots.txt"), fs::path("/x_output/knots_output.txt"));
    EXPECT_EQ(ResultsFilePath("knots.txt"), fs::path("knots_output.txt"));
}

// --- Bound text ---

TEST(BoundTextTest, EqualBoundsGiveTheValue) {
    EXPECT_EQ(BoundText(1, 1, ""), "  1" + Blanks(39));
    EXPECT_EQ(BoundText(0, 0, ""), "  0" + Blanks(39));
    EXPECT_EQ(BoundText(12, 12, ""), "  12" + Blanks(38));
}

TEST(BoundTextTest, NoUpperBoundGivesGreaterThanOneLess) {
    EXPECT_EQ(BoundText(3, -1, ""), "> 2" + Blanks(39));
    EXPECT_EQ(BoundText(1, -1, ""), "> 0" + Blanks(39));
    // Lower bound 0 and no upper bound: nothing is known (a row without invariants).
    EXPECT_EQ(BoundText(0, -1, ""), Blanks(42));
}

TEST(BoundTextTest, UpperBoundOneToThreeAboveListsEveryValue) {
    EXPECT_EQ(BoundText(1, 2, ""), "  1,2" + Blanks(37));
    EXPECT_EQ(BoundText(1, 3, ""), "  1,2,3" + Blanks(35));
    EXPECT_EQ(BoundText(2, 5, ""), "  2,3,4,5" + Blanks(33));
    EXPECT_EQ(BoundText(0, 3, ""), "  0,1,2,3" + Blanks(33));
}

TEST(BoundTextTest, OtherPairsGiveNoValue) {
    EXPECT_EQ(BoundText(1, 6, ""), Blanks(42));
    EXPECT_EQ(BoundText(0, 4, ""), Blanks(42));
    EXPECT_EQ(BoundText(3, 1, ""), Blanks(42));
}

TEST(BoundTextTest, DetectionIsAppendedToEveryCase) {
    EXPECT_EQ(BoundText(2, 2, "signature"), "  2  detected by signature" + Blanks(16));
    EXPECT_EQ(BoundText(3, -1, "Wendt"), "> 2  detected by Wendt" + Blanks(20));
    EXPECT_EQ(BoundText(1, 2, "Lickorish test"), "  1,2  detected by Lickorish test" + Blanks(9));
    EXPECT_EQ(BoundText(1, 6, "Wendt"), "  detected by Wendt" + Blanks(23));
}

TEST(BoundTextTest, LongTextIsNeverCut) {
    const std::string name = "linking pairing obstruction u_a=2 (2x2)";
    EXPECT_EQ(BoundText(1, 3, name), "  1,2,3  detected by " + name);
}

TEST(BoundTextTest, BoundsAtTheLimitsOf32BitsDoNotOverflow) {
    const int32_t max = std::numeric_limits<int32_t>::max();
    EXPECT_EQ(BoundText(max - 2, max, ""), "  2147483645,2147483646,2147483647" + Blanks(8));
    EXPECT_EQ(BoundText(max, -1, ""), "> 2147483646" + Blanks(30));
    EXPECT_EQ(BoundText(max, max - 1, ""), Blanks(42));
}

// --- Header ---

TEST(HeaderLineTest, EveryOptionOffLeavesNameAndSeifertMatrix) {
    EXPECT_EQ(HeaderLine(AllOff()), "Name      | Seifert matrix");
}

TEST(HeaderLineTest, EveryOptionOnHasEveryHeadingAtItsWidth) {
    const std::string expected =
        "Name      "
        "| Algebraic unknotting number               "
        "| Alexander polynomial                                 "
        "| det(K) "
        "| H_1(L_2(K)) "
        "| Mahler(K)   "
        "| sign(K) "
        "| sign_z(K) "
        "| Nakanishi index          "
        "| Generator of H_1(X(K),Z[t,t^-1]) "
        "| Blanchfield pairing of generator "
        "| Presentation matrix "
        "| Seifert matrix";
    const std::string header = HeaderLine(AllOn());
    EXPECT_EQ(header, expected);

    // Widths of "Name      " and of each heading, each heading measured up to the next bar.
    const std::vector<std::size_t> widths{10, 44, 55, 9, 14, 14, 10, 12, 27, 35, 35, 22};
    const std::vector<std::size_t> bars = Bars(header);
    ASSERT_EQ(bars.size(), widths.size());
    std::size_t start = 0;
    for (std::size_t k = 0; k < widths.size(); ++k) {
        EXPECT_EQ(bars[k] - start, widths[k]) << "column " << k;
        start = bars[k];
    }
}

TEST(HeaderLineTest, EachOptionAddsOnlyItsOwnHeading) {
    RunSettings s = AllOff();
    s.determinant = true;
    s.nakanishi = true;
    EXPECT_EQ(HeaderLine(s), "Name      | det(K) | Nakanishi index          | Seifert matrix");
    s = AllOff();
    s.algebraicUnknotting = true;
    s.presentationMatrix = true;
    EXPECT_EQ(HeaderLine(s),
              "Name      | Algebraic unknotting number               | Presentation matrix | "
              "Seifert matrix");
    // The calculation options change no column.
    s = AllOff();
    s.computeMu = true;
    s.checkU3 = true;
    s.computeAll = true;
    EXPECT_EQ(HeaderLine(s), "Name      | Seifert matrix");
}

// --- Preamble ---

const std::vector<std::string> kPreambleAllOff{
    "Let K be a knot with 2n x 2n - Seifert matrix V.",
    "We use the following abbreviations, definitions and normalizations:",
    "Alexander polynomial = t^-n det(Vt-V^T)",
    "det(K)  = determinant of K = Alexander polynomial evaluated at t=-1",
    "sign(K) = signature of K = sign(V+V^T)",
    "the algebraic unknotting number is the minimal number of crossing changes required to turn K "
    "into an Alexander polynomial one knot",
    "L_2(K)  = 2-fold branched cover of K",
    "L_n(K)  = n-fold branched cover of K, we view its homology H_1(L_n) as a module over the "
    "group Z[Z/n]",
    "A(F_p)  = Alexander module H_1(S^3\\K;F_p[t,t^-1]) over the finite field F_p, the minimal "
    "number of generators gives a lower bound on the Nakanishi index",
    "sign(t) = Levine-Tristram signature at exp(2*pi*i*t), with t in [0,1]",
    "Remarks regarding the subsequent table:",
    "* The maximum of the Levine-Tristram signatures is computed for all roots of unity "
    "z=exp(2pi*i*k/16), k=1,...,15",
    "  The maximum will only be mentioned in the output file if the absolute value of the maximum "
    "is larger than the absolute value of the ordinary signature",
    "* The upper bounds on the algebraic unknotting number come from algebraic unknotting moves "
    "found by the program",
    "  the program indicates which obstruction gives the non-trivial lower bounds on the algebraic "
    "unknotting number of a given knot",
    "  The program uses the following data and obstructions to find lower bounds on the unknotting "
    "number,",
    "  these are applied in the order given here:",
    "  + Number of generators of H_1(L_2)    (Wendt criterion)",
    "  + Absolute value of signature divided by two (Murasugi)",
    "  + Maximal difference in Levine-Tristram signatures",
    "  + Lickorish test",
    "  + Number of generators of the Alexander module over a finite field",
    "  + Check whether H_1(L_n) as a module over Z[Z/n] is generated by one element",
    "  + Stoimenow test for u(K)=2",
    "  + Test whether linking form on H_1(L_2) can be represented by an appropriate 2x2-matrix",
};

const std::vector<std::string> kPreambleAllOn{
    "Let K be a knot with 2n x 2n - Seifert matrix V.",
    "We use the following abbreviations, definitions and normalizations:",
    "Alexander polynomial = t^-n det(Vt-V^T)",
    "det(K)  = determinant of K = Alexander polynomial evaluated at t=-1",
    "sign(K) = signature of K = sign(V+V^T)",
    "the algebraic unknotting number is the minimal number of crossing changes required to turn K "
    "into an Alexander polynomial one knot",
    "L_2(K)  = 2-fold branched cover of K",
    "L_n(K)  = n-fold branched cover of K, we view its homology H_1(L_n) as a module over the "
    "group Z[Z/n]",
    "Mahler(K) = Mahler measure of the Alexander polynomial",
    "A(F_p)  = Alexander module H_1(S^3\\K;F_p[t,t^-1]) over the finite field F_p, the minimal "
    "number of generators gives a lower bound on the Nakanishi index",
    "sign(t) = Levine-Tristram signature at exp(2*pi*i*t), with t in [0,1]",
    "Remarks regarding the subsequent table:",
    "* By a generator of H_1(X(K),Z[t,t^-1]) we mean a generator of Z[t,t^-1]^2g/(Vt-V^T) where V "
    "is the non-degenerate 2g x 2g Seifert matrix given to the right",
    "* The Blanchfield pairing for a given generator of the Alexander module has to be divided by "
    "the Alexander polynomial and it has to be divided by t^(deg Delta_K(t)/2)",
    "* The maximum of the Levine-Tristram signatures is computed for all roots of unity "
    "z=exp(2pi*i*k/8096), k=1,...,8095",
    "  The maximum will only be mentioned in the output file if the absolute value of the maximum "
    "is larger than the absolute value of the ordinary signature",
    "* The Mahler measure is given as its logarithm, computed from the roots of the Alexander "
    "polynomial and printed to 6 decimals (where the roots are not found, as the mean of "
    "log|Delta| over 2097152 points of the unit circle)",
    "* The upper bounds on the algebraic unknotting number come from algebraic unknotting moves "
    "found by the program",
    "  the program indicates which obstruction gives the non-trivial lower bounds on the algebraic "
    "unknotting number of a given knot",
    "  The program uses the following data and obstructions to find lower bounds on the unknotting "
    "number,",
    "  these are applied in the order given here:",
    "  + Number of generators of H_1(L_2)    (Wendt criterion)",
    "  + Absolute value of signature divided by two (Murasugi)",
    "  + Maximal difference in Levine-Tristram signatures",
    "  + mu(K)",
    "  + Lickorish test",
    "  + Number of generators of the Alexander module over a finite field",
    "  + Check whether H_1(L_n) as a module over Z[Z/n] is generated by one element",
    "  + Stoimenow test for u(K)=2",
    "  + Test whether linking form on H_1(L_2) can be represented by an appropriate 2x2-matrix",
    "  + Test whether linking form on H_1(L_2) can be represented by an appropriate 3x3-matrix",
};

std::vector<std::string> FileLines(const RunState& state) {
    return SplitCrLf(TextResultsContents(state));
}

TEST(TextResultsPreambleTest, EveryOptionOff) {
    RunState state;
    state.Settings = AllOff();
    std::vector<std::string> expected = kPreambleAllOff;
    expected.push_back("Corvane computed the following data:");
    expected.push_back("Name      | Seifert matrix");
    EXPECT_EQ(FileLines(state), expected);
}

TEST(TextResultsPreambleTest, EveryOptionOnWithLargestCounts) {
    RunState state;
    state.Settings = AllOn();
    std::vector<std::string> expected = kPreambleAllOn;
    expected.push_back("Corvane computed the following data:");
    expected.push_back(HeaderLine(state.Settings));
    EXPECT_EQ(FileLines(state), expected);
}

TEST(TextResultsPreambleTest, EachConditionalLineFollowsOnlyItsOption) {
    RunState state;
    state.Settings = AllOff();
    state.Settings.ltValueCount = 128;
    state.Settings.mahlerValueCount = 16384;
    state.Settings.mahler = true;
    state.Settings.computeMu = true;
    const std::vector<std::string> lines = FileLines(state);
    ASSERT_EQ(lines.size(), kPreambleAllOff.size() + 2 + 3);
    EXPECT_EQ(lines[8], "Mahler(K) = Mahler measure of the Alexander polynomial");
    EXPECT_EQ(lines[12],
              "* The maximum of the Levine-Tristram signatures is computed for all roots of unity "
              "z=exp(2pi*i*k/128), k=1,...,127");
    EXPECT_EQ(lines[14],
              "* The Mahler measure is given as its logarithm, computed from the roots of the "
              "Alexander polynomial and printed to 4 decimals (where the roots are not found, as "
              "the mean of log|Delta| over 16384 points of the unit circle)");
    EXPECT_EQ(lines[15], kPreambleAllOff[13]);
    EXPECT_EQ(lines[22], "  + mu(K)");
    EXPECT_EQ(lines[23], "  + Lickorish test");
    EXPECT_EQ(lines[27],
              "  + Test whether linking form on H_1(L_2) can be represented by an "
              "appropriate 2x2-matrix");
    EXPECT_EQ(lines[28], "Corvane computed the following data:");

    state.Settings = AllOff();
    state.Settings.generator = true;
    state.Settings.checkU3 = true;
    const std::vector<std::string> other = FileLines(state);
    ASSERT_EQ(other.size(), kPreambleAllOff.size() + 2 + 2);
    EXPECT_EQ(other[10], "Remarks regarding the subsequent table:");
    EXPECT_EQ(other[11], kPreambleAllOn[12]);   // the generator remark
    EXPECT_EQ(other[12], kPreambleAllOff[11]);  // the Levine-Tristram remark follows at once
    EXPECT_EQ(other[26], kPreambleAllOn[30]);   // the u=3 test, after the 2x2 test
    EXPECT_EQ(other[27], "Corvane computed the following data:");
}

TEST(TextResultsPreambleTest, OutputColumnsDoNotChangeThePreamble) {
    RunState state;
    state.Settings = AllOff();
    state.Settings.alexander = true;
    state.Settings.determinant = true;
    state.Settings.nakanishi = true;
    state.Settings.presentationMatrix = true;
    const std::vector<std::string> lines = FileLines(state);
    ASSERT_EQ(lines.size(), kPreambleAllOff.size() + 2);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.end() - 2), kPreambleAllOff);
}

// --- Knot rows ---

TEST(KnotRowTest, EveryOutputOptionOffLeavesNameAndAlwaysPrintedFields) {
    RunState state;
    state.Settings = AllOff();
    AddKnot(state, "3_1", "[[-1,0],[-1,-1]]");
    SetFields(state, 1, {"al1-t+t^2", "dt 3", "si-2", "md 1", "se[[-1,0],[-1,-1]]", "ertrouble t"});
    EXPECT_EQ(KnotRow(state.Knots(1), state.Settings),
              "3_1       |  1| [[-1,0],[-1,-1]]| trouble t");

    RunState plain;
    plain.Settings = AllOff();
    AddKnot(plain, "4_1", "[[1,1],[0,-1]]");
    SetFields(plain, 1, {"se[[1,1],[0,-1]]"});
    EXPECT_EQ(KnotRow(plain.Knots(1), plain.Settings), "4_1       | [[1,1],[0,-1]]");
}

TEST(KnotRowTest, SelectedColumnsKeepTheirSeedWidths) {
    RunState state;
    state.Settings = AllOff();
    state.Settings.algebraicUnknotting = true;
    state.Settings.alexander = true;
    state.Settings.determinant = true;
    state.Settings.signature = true;
    KnotRecord& knot = AddKnot(state, "3_1", "[[-1,0],[-1,-1]]");
    knot.lowerBound = 1;
    knot.upperBound = 1;
    knot.detectedBy = "signature";
    SetFields(state, 1, {"al1-t+t^2", "dt 3", "ma 1.0", "si-2", "se[[-1,0],[-1,-1]]"});
    const std::string expected =
        "3_1       "
        "|   1  detected by signature" +
        Blanks(16) + "| 1-t+t^2" + Blanks(46) + "|  3" + Blanks(5) + "| -2" + Blanks(6) +
        "| [[-1,0],[-1,-1]]";
    const std::string row = KnotRow(knot, state.Settings);
    EXPECT_EQ(row, expected);
    // Fields that fit their seeds line up with the header's columns.
    EXPECT_EQ(Bars(row), Bars(HeaderLine(state.Settings)));
}

TEST(KnotRowTest, UnsetSeededFieldsPrintAsBlankColumns) {
    RunState state;
    state.Settings = AllOff();
    state.Settings.determinant = true;
    state.Settings.h1l2 = true;
    AddKnot(state, "0_1", "[[0]]");
    SetFields(state, 1, {"dt 1", "se[[0]]"});
    EXPECT_EQ(KnotRow(state.Knots(1), state.Settings),
              "0_1       |  1" + Blanks(5) + "| " + Blanks(12) + "| [[0]]");
}

TEST(KnotRowTest, EveryCodeFollowsItsOwnOption) {
    const std::vector<std::pair<std::string, bool RunSettings::*>> columns{
        {"al", &RunSettings::alexander},   {"dt", &RunSettings::determinant},
        {"l2", &RunSettings::h1l2},        {"ma", &RunSettings::mahler},
        {"si", &RunSettings::signature},   {"lt", &RunSettings::levineTristram},
        {"nk", &RunSettings::nakanishi},   {"ge", &RunSettings::generator},
        {"bl", &RunSettings::blanchfield}, {"rm", &RunSettings::presentationMatrix},
        {"h1", &RunSettings::generator},
    };
    for (const auto& [code, option] : columns) {
        RunSettings s = AllOff();
        EXPECT_FALSE(SlotPrinted(code, s)) << code;
        s.*option = true;
        EXPECT_TRUE(SlotPrinted(code, s)) << code;
    }
    for (const char* code : {"se", "md", "er", "cd", "zz"}) {
        EXPECT_TRUE(SlotPrinted(code, AllOff())) << code;
    }
}

TEST(KnotRowTest, H1FieldIsPrintedOnlyWithTheGeneratorOption) {
    RunState state;
    state.Settings = AllOff();
    AddKnot(state, "K", "[[1]]");
    SetFields(state, 1, {"se[[1]]", "h1 Z/3"});
    EXPECT_EQ(KnotRow(state.Knots(1), state.Settings), "K         | [[1]]");
    state.Settings.generator = true;
    EXPECT_EQ(KnotRow(state.Knots(1), state.Settings),
              "K         | " + Blanks(33) + "| [[1]]|  Z/3");
}

TEST(KnotRowTest, FieldTextIsNeverCut) {
    RunState state;
    state.Settings = AllOff();
    AddKnot(state, "K", "[[1]]");
    const std::string longText(5000, 'x');
    SetFields(state, 1, {"se" + longText});
    EXPECT_EQ(KnotRow(state.Knots(1), state.Settings), "K         | " + longText);
}

TEST(KnotRowTest, LongNameIsNotCut) {
    RunState state;
    state.Settings = AllOff();
    AddKnot(state, "K12n_123456", "[[1]]");
    SetFields(state, 1, {"se[[1]]"});
    EXPECT_EQ(KnotRow(state.Knots(1), state.Settings), "K12n_123456| [[1]]");
}

TEST(KnotRowTest, FieldLongerThanItsSeedWidensThatRowOnly) {
    RunState state;
    state.Settings = AllOff();
    state.Settings.determinant = true;
    state.Settings.signature = true;
    AddKnot(state, "A", "[[1]]");
    AddKnot(state, "B", "[[2]]");
    SetFields(state, 1, {"dt 3", "si-2", "se[[1]]"});
    SetFields(state, 2, {"dt 1234567890", "si 0", "se[[2]]"});
    MarkComputed(state, 2);
    const std::vector<std::string> lines = FileLines(state);
    ASSERT_EQ(lines.size(), kPreambleAllOff.size() + 4);
    const std::string& header = lines[lines.size() - 3];
    EXPECT_EQ(header, "Name      | det(K) | sign(K) | Seifert matrix");
    EXPECT_EQ(lines[lines.size() - 2], "A         |  3     | -2      | [[1]]");
    EXPECT_EQ(lines[lines.size() - 1], "B         |  1234567890|  0      | [[2]]");
}

// --- Knot lines ---

TEST(TextResultsKnotLinesTest, ComputedKnotsAsRowsTheOthersAsKnotListLines) {
    RunState state;
    state.Settings = AllOff();
    state.Settings.determinant = true;
    for (int i = 1; i <= 10; ++i) {
        AddKnot(state, "K" + std::to_string(i), "[[" + std::to_string(i) + "]]");
        SetFields(state, i, {"dt " + std::to_string(i), "se[[" + std::to_string(i) + "]]"});
    }
    // Stopped while knots 7 and 8 ran and after knot 9 had finished: the knots in progress are
    // discarded and written as their input lines, a finished knot as its row wherever it stands.
    MarkComputed(state, 6);
    state.Knots(9).computed = true;
    const std::vector<std::string> lines = FileLines(state);
    ASSERT_EQ(lines.size(), kPreambleAllOff.size() + 2 + 10);
    const std::vector<std::string> knotLines(lines.end() - 10, lines.end());
    EXPECT_EQ(knotLines[0], "K1        |  1     | [[1]]");
    EXPECT_EQ(knotLines[5], "K6        |  6     | [[6]]");
    EXPECT_EQ(knotLines[6], "K7         [[7]]");
    EXPECT_EQ(knotLines[7], "K8         [[8]]");
    EXPECT_EQ(knotLines[8], "K9        |  9     | [[9]]");
    EXPECT_EQ(knotLines[9], "K10        [[10]]");
}

TEST(TextResultsKnotLinesTest, TakenOverKnotsKeepTheirStoredLineWhereverTheyStand) {
    RunState state;
    state.Settings = AllOff();
    for (int i = 1; i <= 4; ++i) {
        AddKnot(state, "K" + std::to_string(i), "[[" + std::to_string(i) + "]]");
        SetFields(state, i, {"se[[" + std::to_string(i) + "]]"});
    }
    state.Knots(2).takenOver = true;
    state.Knots(2).storedLine = "K2        |   1  detected by Wendt   | [[2]]";
    state.Knots(4).takenOver = true;
    state.Knots(4).storedLine = "K4        | [[4]] (from an earlier run)";
    MarkComputed(state, 2);
    const std::vector<std::string> lines = FileLines(state);
    ASSERT_EQ(lines.size(), kPreambleAllOff.size() + 2 + 4);
    const std::vector<std::string> knotLines(lines.end() - 4, lines.end());
    EXPECT_EQ(knotLines, (std::vector<std::string>{
                             "K1        | [[1]]",
                             "K2        |   1  detected by Wendt   | [[2]]",
                             "K3         [[3]]",
                             "K4        | [[4]] (from an earlier run)",
                         }));
}

TEST(TextResultsKnotLinesTest, BeforeTheFirstKnotEveryKnotIsItsInputLine) {
    RunState state;
    state.Settings = AllOn();
    AddKnot(state, "3_1", "[[-1,0],[-1,-1]]");
    AddKnot(state, "4_1", "[[1,1],[0,-1]]");
    const std::vector<std::string> lines = FileLines(state);
    ASSERT_EQ(lines.size(), kPreambleAllOn.size() + 2 + 2);
    EXPECT_EQ(lines[lines.size() - 2], "3_1        [[-1,0],[-1,-1]]");
    EXPECT_EQ(lines[lines.size() - 1], "4_1        [[1,1],[0,-1]]");
}

TEST(TextResultsKnotLinesTest, BoundTextIsBuiltAfreshForEveryKnot) {
    RunState state;
    state.Settings = AllOff();
    state.Settings.algebraicUnknotting = true;
    KnotRecord& first = AddKnot(state, "A", "[[1]]");
    first.lowerBound = 2;
    first.upperBound = 2;
    first.detectedBy = "signature";
    KnotRecord& second = AddKnot(state, "B", "[[2]]");
    second.lowerBound = 1;
    second.upperBound = 6;
    SetFields(state, 1, {"se[[1]]"});
    SetFields(state, 2, {"se[[2]]"});
    MarkComputed(state, 2);
    const std::vector<std::string> lines = FileLines(state);
    EXPECT_EQ(lines[lines.size() - 2],
              "A         |   2  detected by signature" + Blanks(16) + "| [[1]]");
    EXPECT_EQ(lines[lines.size() - 1], "B         | " + Blanks(42) + "| [[2]]");
}

// --- Line ends ---

TEST(TextResultsContentsTest, EveryLineEndsInCrLfAndNoOtherLineBreakOccurs) {
    RunState state;
    state.Settings = AllOn();
    AddKnot(state, "3_1", "[[-1,0],[-1,-1]]");
    AddKnot(state, "4_1", "[[1,1],[0,-1]]");
    SetFields(state, 1, {"al1-t+t^2", "se[[-1,0],[-1,-1]]"});
    MarkComputed(state, 1);
    const std::string text = TextResultsContents(state);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    std::size_t lineEnds = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++lineEnds;
            EXPECT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
        }
        if (text[i] == '\r') {
            EXPECT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
        }
    }
    EXPECT_EQ(lineEnds, kPreambleAllOn.size() + 2 + 2);
}

TEST(TextResultsContentsTest, BytesAreWrittenAsTheyAre) {
    RunState state;
    state.Settings = AllOff();
    AddKnot(state, "Kn\xf6t\xe9", "[[1]]");
    SetFields(state, 1, {"se[[1]]"});
    MarkComputed(state, 1);
    const std::vector<std::string> lines = FileLines(state);
    EXPECT_EQ(lines.back(), "Kn\xf6t\xe9     | [[1]]");
}

// --- Error case ---

class TextResultsErrorTest : public ::testing::Test {
  protected:
    void TearDown() override { TroubleCode.clear(); }
};

TEST_F(TextResultsErrorTest, InputErrorGivesExactlyTwoLines) {
    RunState state;
    state.Settings = AllOn();
    state.Settings.computeAll = true;
    AddKnot(state, "3_1", "[[-1,0],[-1,-1]]");
    RecordInputError(state, 7, "Matrix too large");
    EXPECT_EQ(TextResultsContents(state), "Error!\r\nMatrix too large\r\n");
}

TEST_F(TextResultsErrorTest, MessageSurvivesAClearedTroubleCode) {
    RunState state;
    RecordInputError(state, 3, "Too many knots");
    TroubleCode.clear();
    EXPECT_EQ(TextResultsContents(state), "Error!\r\nToo many knots\r\n");
}

TEST_F(TextResultsErrorTest, TroubleCodeServesWhenNoMessageWasKept) {
    RunState state;
    state.InputError = true;
    TroubleCode = "bad entry";
    EXPECT_EQ(TextResultsContents(state), "Error!\r\nbad entry\r\n");
}

// --- Writing the file ---

class TextResultsFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "corvane-text-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, ignored);
        fs::remove_all(folder_, ignored);
    }

    static std::string ReadBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void WriteBytes(const fs::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::vector<std::string> Entries(const fs::path& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // One computed knot, every output option off.
    static void FillSmallRun(RunState& state) {
        state.Settings = AllOff();
        AddKnot(state, "3_1", "[[-1,0],[-1,-1]]");
        SetFields(state, 1, {"se[[-1,0],[-1,-1]]"});
        MarkComputed(state, 1);
    }

    fs::path folder_;
};

TEST_F(TextResultsFileTest, WritesBesideTheInputUnderTheResultsName) {
    RunState state;
    FillSmallRun(state);
    WriteBytes(folder_ / "knots.txt", "3_1 [[-1,0],[-1,-1]]\r\n");
    const WriteStatus status = WriteTextResults(state, folder_ / "knots.txt");
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(Entries(folder_), (std::vector<std::string>{"knots.txt", "knots_output.txt"}));
    const std::string bytes = ReadBytes(folder_ / "knots_output.txt");
    EXPECT_EQ(bytes, TextResultsContents(state));
    const std::string tail = "Name      | Seifert matrix\r\n3_1       | [[-1,0],[-1,-1]]\r\n";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(bytes.substr(bytes.size() - tail.size()), tail);
    EXPECT_EQ(ReadBytes(folder_ / "knots.txt"), "3_1 [[-1,0],[-1,-1]]\r\n");
}

TEST_F(TextResultsFileTest, ResultsFileGivenAsInputIsRewrittenInPlace) {
    RunState state;
    FillSmallRun(state);
    WriteBytes(folder_ / "knots_output.txt",
               "an earlier and much longer results file\r\n" + std::string(100000, 'x'));
    const WriteStatus status = WriteTextResults(state, folder_ / "knots_output.txt");
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(Entries(folder_), (std::vector<std::string>{"knots_output.txt"}));
    EXPECT_EQ(ReadBytes(folder_ / "knots_output.txt"), TextResultsContents(state));
}

TEST_F(TextResultsFileTest, ErrorCaseWritesTheTwoLines) {
    RunState state;
    FillSmallRun(state);
    RecordInputError(state, 2, "Matrix too large");
    TroubleCode.clear();
    ASSERT_TRUE(WriteTextResults(state, folder_ / "list").ok);
    EXPECT_EQ(ReadBytes(folder_ / "list_output"), "Error!\r\nMatrix too large\r\n");
}

TEST_F(TextResultsFileTest, MissingFolderFailsNamingTheFile) {
    const fs::path missing = folder_ / "no-such-folder";
    RunState state;
    FillSmallRun(state);
    const WriteStatus status = WriteTextResults(state, missing / "knots.txt");
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.error.find((missing / "knots_output.txt").string()), std::string::npos)
        << status.error;
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_TRUE(Entries(folder_).empty());
}

TEST_F(TextResultsFileTest, ReadOnlyFolderFailsAndKeepsThePreviousFile) {
    const fs::path previous = folder_ / "knots_output.txt";
    WriteBytes(previous, "previous results\r\n");
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    if (access(folder_.c_str(), W_OK) == 0) {
        GTEST_SKIP() << "this user may write into a read-only folder";
    }
    RunState state;
    FillSmallRun(state);
    const WriteStatus status = WriteTextResults(state, folder_ / "knots.txt");
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.error.find(previous.string()), std::string::npos) << status.error;
    EXPECT_EQ(ReadBytes(previous), "previous results\r\n");
    EXPECT_EQ(Entries(folder_), (std::vector<std::string>{"knots_output.txt"}));
}

TEST_F(TextResultsFileTest, FailedRenameLeavesNoTemporaryFile) {
    // A folder in the place of the results file: the text is written, but cannot replace it.
    RunState state;
    FillSmallRun(state);
    fs::create_directory(folder_ / "knots_output.txt");
    WriteBytes(folder_ / "knots_output.txt" / "inside", "kept");
    const WriteStatus status = WriteTextResults(state, folder_ / "knots.txt");
    EXPECT_FALSE(status.ok);
    EXPECT_NE(status.error.find((folder_ / "knots_output.txt").string()), std::string::npos)
        << status.error;
    EXPECT_EQ(Entries(folder_), (std::vector<std::string>{"knots_output.txt"}));
    EXPECT_EQ(ReadBytes(folder_ / "knots_output.txt" / "inside"), "kept");
}

TEST_F(TextResultsFileTest, NextWriteSucceedsAfterAFailure) {
    RunState state;
    FillSmallRun(state);
    const fs::path later = folder_ / "later";
    EXPECT_FALSE(WriteTextResults(state, later / "knots.txt").ok);
    fs::create_directory(later);
    const WriteStatus status = WriteTextResults(state, later / "knots.txt");
    ASSERT_TRUE(status.ok) << status.error;
    EXPECT_EQ(ReadBytes(later / "knots_output.txt"), TextResultsContents(state));
}

// Writes `bytes` to `path` with the file size limited to `limit` bytes, in a child process so
// that the limit stays there; exits 0 when the write failed as it must: reported with the file's
// name, the previous contents intact, no temporary file left.
void WriteBeyondSizeLimit(const fs::path& path, const std::string& previous, rlim_t limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit cap{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &cap) != 0) std::_Exit(2);
    const WriteStatus status = WriteFileAtomically(path, std::string(4 * limit, 'y'));
    if (status.ok) std::_Exit(3);
    if (status.error.find(path.string()) == std::string::npos) std::_Exit(4);
    std::ifstream in(path, std::ios::binary);
    const std::string now{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (now != previous) std::_Exit(5);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(path.parent_path())) {
        ++entries;
    }
    std::_Exit(entries == 1 ? 0 : 6);
}

TEST_F(TextResultsFileTest, WriteErrorKeepsThePreviousFileIntact) {
    const fs::path path = folder_ / "knots_output.txt";
    const std::string previous = "previous results\r\n";
    WriteBytes(path, previous);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(WriteBeyondSizeLimit(path, previous, 1 << 16), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadBytes(path), previous);
}

}  // namespace
}  // namespace corvane
