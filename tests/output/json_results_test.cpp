#include "output/json_results.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace corvane {
namespace {

using nlohmann::json;

// A computed knot whose text slots hold the given tagged texts, padded as a run pads them.
KnotRecord Computed(const std::vector<std::string>& slots) {
    KnotRecord knot;
    knot.name = "k";
    knot.inputLine = "k [[1]]";
    knot.computed = true;
    ApplyInitialResultLayout(knot);
    int free = 11;
    for (const std::string& text : slots) {
        bool placed = false;
        for (std::string& slot : knot.textFields) {
            if (slot.substr(0, 2) != text.substr(0, 2)) continue;
            slot =
                text + std::string(slot.size() > text.size() ? slot.size() - text.size() : 0, ' ');
            placed = true;
        }
        if (!placed) knot.textFields(free++) = text;
    }
    return knot;
}

json Object(const KnotRecord& knot) {
    RunSettings settings;
    settings.ltValueCount = 64;
    return json::parse(KnotJsonLine(knot, settings));
}

struct SlotCase {
    std::string slot;
    std::string key;
    json expected;
};

TEST(KnotJsonLine, EachSlotTextGivesItsValue) {
    const std::vector<SlotCase> cases{
        {"al1-t+t^2", "alexander", {1, -1, 1}},
        {"al-2+5t-5t^2+5t^3-2t^4", "alexander", {-2, 5, -5, 5, -2}},
        {"al1-t^3", "alexander", {1, 0, 0, -1}},
        {"al1/2t", "alexander", nullptr},
        {"al", "alexander", nullptr},
        {"dt-45", "determinant", -45},
        {"dt 1", "determinant", 1},
        {"l2Z/15+Z/3", "h1_double_cover", {15, 3}},
        {"l20", "h1_double_cover", json::array()},
        {"si-6", "signature", -6},
        {"lt-2...4", "levine_tristram", {{"values", 64}, {"min", -2}, {"max", 4}}},
        {"lt-4", "levine_tristram", {{"values", 64}, {"min", -4}, {"max", nullptr}}},
        {"lt2", "levine_tristram", {{"values", 64}, {"min", nullptr}, {"max", 2}}},
        {"lt0", "levine_tristram", {{"values", 64}, {"min", 0}, {"max", 0}}},
        {"nk1",
         "nakanishi",
         {{"lower", 1}, {"upper", 1}, {"source", nullptr}, {"certificate", nullptr}}},
        {"nk2 detected by H_1(L_2)",
         "nakanishi",
         {{"lower", 2}, {"upper", 2}, {"source", "H_1(L_2)"}, {"certificate", nullptr}}},
        {"nk1 or 2",
         "nakanishi",
         {{"lower", 1}, {"upper", 2}, {"source", nullptr}, {"certificate", nullptr}}},
        {"nk1,2 or 3",
         "nakanishi",
         {{"lower", 1}, {"upper", 3}, {"source", nullptr}, {"certificate", nullptr}}},
        {"nk2...5 detected by A(F_3)",
         "nakanishi",
         {{"lower", 2}, {"upper", 5}, {"source", "A(F_3)"}, {"certificate", nullptr}}},
        {"nk> 2 detected by A(F_13)",
         "nakanishi",
         {{"lower", 3}, {"upper", nullptr}, {"source", "A(F_13)"}, {"certificate", nullptr}}},
        {"ma2.088...", "mahler", 2.088},
        {"ge(0,1)", "generator", "(0,1)"},
        {"bl-t^-1+2-t", "blanchfield", "-t^-1+2-t"},
        {"rm((1-3t+t^2))", "presentation", "((1-3t+t^2))"},
        {"se[[1,-1],[0,1]]", "minimal_matrix", {{1, -1}, {0, 1}}},
        {"seS-equivalent to [[2,-1],[0,1]]", "minimal_matrix", {{2, -1}, {0, 1}}},
        {"se[]", "minimal_matrix", json::array()},
        {"erError in u=2 test", "errors", {"Error in u=2 test"}},
        {"erError in u=2 test", "status", "error"},
        {"cdSeifert matrix too large", "status", "too large"},
        {"cdSeifert matrix too large", "errors", {"Seifert matrix too large"}},
        {"md", "status", "done"},
    };
    for (const SlotCase& c : cases) {
        EXPECT_EQ(Object(Computed({c.slot}))[c.key], c.expected) << c.slot;
    }
}

TEST(KnotJsonLine, BoundsDetectionsAndComputedNumbers) {
    KnotRecord knot = Computed({"ma1.3863..."});
    knot.lowerBound = 2;
    knot.upperBound = -1;
    knot.detectedBy = "signature ";
    knot.detectionCodes = "s,L,";
    knot.mu = 4;
    knot.mahlerMeasure = 1.38629436111989L;
    const json object = Object(knot);
    EXPECT_EQ(object["unknotting"], json({{"lower", 2},
                                          {"upper", nullptr},
                                          {"detected_by", {"signature"}},
                                          {"codes", {"s", "L"}},
                                          {"certificate", nullptr}}));
    knot.lowerCertificate = R"({"obstruction":"signature","signature":-4})";
    EXPECT_EQ(
        Object(knot)["unknotting"]["certificate"],
        json({{"lower", {{"obstruction", "signature"}, {"signature", -4}}}, {"upper", nullptr}}));
    knot.lowerCertificate.clear();
    // The Nakanishi certificates as they were built, under "nakanishi".
    KnotRecord cyclic = Computed({"nk1"});
    cyclic.nakanishiCertificate = R"({"lower":{"obstruction":"alexander"},"upper":null})";
    EXPECT_EQ(Object(cyclic)["nakanishi"]["certificate"],
              json({{"lower", {{"obstruction", "alexander"}}}, {"upper", nullptr}}));
    EXPECT_EQ(object["mu"], 4);
    // The computed value where its text is the one printed; the printed number otherwise.
    EXPECT_DOUBLE_EQ(object["mahler"].get<double>(), 1.38629436111989);
    knot.mahlerMeasure = 0.5L;
    EXPECT_DOUBLE_EQ(Object(knot)["mahler"].get<double>(), 1.3863);
    knot.mu = -1;
    knot.upperBound = 3;
    knot.detectedBy.clear();
    EXPECT_EQ(Object(knot)["mu"], nullptr);
    EXPECT_EQ(Object(knot)["unknotting"]["upper"], 3);
    EXPECT_EQ(Object(knot)["unknotting"]["detected_by"], json::array());
    // A row without invariants claims no bound at all.
    knot.lowerBound = 0;
    knot.upperBound = -1;
    EXPECT_EQ(Object(knot)["unknotting"]["lower"], nullptr);
    EXPECT_EQ(Object(knot)["unknotting"]["upper"], nullptr);
}

TEST(KnotJsonLine, IntegersBeyondSixtyFourBitsAreWrittenWhole) {
    const std::string big = "21267647892944572736998860269687930881";
    const KnotRecord knot = Computed({"al" + big + "-" + big + "t+t^2", "dt-" + big,
                                      "l2Z/3+Z/" + big, "se[[1, " + big + "],[0,-" + big + "]]"});
    const std::string line = KnotJsonLine(knot, RunSettings{});
    for (const std::string& part :
         {"\"alexander\":[" + big + ",-" + big + ",1]", "\"determinant\":-" + big,
          "\"h1_double_cover\":[3," + big + "]",
          "\"minimal_matrix\":[[1," + big + "],[0,-" + big + "]]"}) {
        EXPECT_NE(line.find(part), std::string::npos) << part << " in " << line;
    }
    EXPECT_FALSE(json::parse(line).is_discarded());
}

TEST(KnotJsonLine, PendingAndTakenOverKnots) {
    KnotRecord pending;
    pending.name = "8_1";
    pending.inputLine = "8_1 [[1]]";
    EXPECT_EQ(KnotJsonLine(pending, RunSettings{}),
              R"({"name":"8_1","input":"8_1 [[1]]","status":"pending"})");

    KnotRecord row;
    row.takenOver = true;
    row.storedLine = "3_1       |   1  | 1-t+t^2 | [[1,-1],[0,1]]";
    const json object = Object(row);
    EXPECT_EQ(object.size(), 17U);
    EXPECT_EQ(object["name"], "3_1");
    EXPECT_EQ(object["input"], row.storedLine);
    EXPECT_EQ(object["status"], "done");
    EXPECT_EQ(object["minimal_matrix"], json({{1, -1}, {0, 1}}));
    EXPECT_EQ(object["alexander"], nullptr);
    EXPECT_EQ(object["errors"], json::array());
}

TEST(JsonResultsContents, OneLfLinePerKnotAndNoneForCommentsOrAReadingError) {
    RunState state;
    state.Knots.Append() = Computed({"dt 3"});
    KnotRecord& comment = state.Knots.Append();
    comment.takenOver = true;
    comment.storedLine = "% a comment row";
    state.Knots.Append().name = "later";
    const std::string text = JsonResultsContents(state);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.find("\"name\":\"later\""), std::string::npos);
    state.InputError = true;
    EXPECT_EQ(JsonResultsContents(state), "");
}

TEST(JsonResultsFileName, BesideTheLatexFile) {
    EXPECT_EQ(JsonResultsFileName("knots.txt"), "knots_output.jsonl");
    EXPECT_EQ(JsonResultsFileName("knots_output.txt"), "knots_output.jsonl");
    EXPECT_EQ(JsonResultsFileName("list"), "list_output.jsonl");
}

}  // namespace
}  // namespace corvane
