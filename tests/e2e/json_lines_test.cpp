// The JSON Lines file of corvane-cli against the text table of the same run: every value the
// table prints, at every column set, and the same objects whatever columns are printed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/cli_support.h"

namespace {

namespace fs = std::filesystem;
using corvane::test::CommandResult;
using corvane::test::ReadFile;
using corvane::test::RunCli;
using json = nlohmann::ordered_json;  // keeps the key order of the file

const std::vector<std::string> kKeys{
    "name",         "input",           "status",    "minimal_matrix",  "alexander",
    "determinant",  "h1_double_cover", "signature", "levine_tristram", "mahler",
    "mu",           "unknotting",      "nakanishi", "generator",       "blanchfield",
    "presentation", "errors"};

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells;
    std::stringstream in(row);
    for (std::string cell; std::getline(in, cell, '|');) cells.push_back(Trim(cell));
    return cells;
}

// The table of a results file: its header cells and its rows, CR LF removed.
struct Table {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
};

Table ReadTable(const fs::path& path) {
    std::stringstream in(ReadFile(path));
    Table table;
    bool inTable = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Name      |", 0) == 0) {
            table.header = Cells(line);
            inTable = true;
        } else if (inTable && line.empty()) {
            break;
        } else if (inTable) {
            table.rows.push_back(Cells(line));
        }
    }
    return table;
}

std::vector<json> ReadJsonLines(const fs::path& path) {
    std::vector<json> objects;
    std::stringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) objects.push_back(json::parse(line));
    return objects;
}

// The renderings below write a JSON value the way the table prints it, independently of how
// the writer reads it from the table.
std::string Polynomial(const json& coefficients) {
    std::string text;
    for (std::size_t j = 0; j < coefficients.size(); ++j) {
        const int64_t c = coefficients[j].get<int64_t>();
        if (c == 0) continue;
        if (!text.empty() && c > 0) text += '+';
        if (j == 0 || (c != 1 && c != -1))
            text += std::to_string(c);
        else if (c == -1)
            text += '-';
        if (j >= 1) text += 't';
        if (j >= 2) text += '^' + std::to_string(j);
    }
    return text.empty() ? "0" : text;
}

std::string Group(const json& orders) {
    std::string text;
    for (const json& d : orders) text += (text.empty() ? "Z/" : "+Z/") + d.dump();
    return text.empty() ? "0" : text;
}

std::string Range(const json& bounds, const std::string& moreThan) {
    const int64_t lower = bounds["lower"].get<int64_t>();
    if (bounds["upper"].is_null()) return moreThan + std::to_string(lower - 1);
    const int64_t upper = bounds["upper"].get<int64_t>();
    const std::string l = std::to_string(lower);
    const std::string u = std::to_string(upper);
    switch (upper - lower) {
        case 0:
            return l;
        case 1:
            return l + " or " + u;
        case 2:
            return l + "," + std::to_string(lower + 1) + " or " + u;
        case 3:
            return l + "..." + u;
        default:
            return "?";
    }
}

std::string Unknotting(const json& u) {
    const int64_t lower = u["lower"].get<int64_t>();
    std::string text;
    if (u["upper"].is_null()) {
        text = "> " + std::to_string(lower - 1);
    } else {
        for (int64_t k = lower; k <= u["upper"].get<int64_t>(); ++k)
            text += (k == lower ? "" : ",") + std::to_string(k);
    }
    for (const json& name : u["detected_by"]) text += "  detected by " + name.get<std::string>();
    return text;
}

std::string Nakanishi(const json& nk) {
    std::string text = Range(nk, "> ");
    if (!nk["source"].is_null()) text += " detected by " + nk["source"].get<std::string>();
    return text;
}

std::string LevineTristram(const json& lt) {
    if (!lt["min"].is_null() && !lt["max"].is_null() && lt["min"] != lt["max"])
        return lt["min"].dump() + "..." + lt["max"].dump();
    return lt["min"].is_null() ? lt["max"].dump() : lt["min"].dump();
}

std::string Text(const json& value) {
    return value.is_null() ? "" : value.get<std::string>();
}

// The printed Mahler measure "0.96..." is the value rounded to the digits shown.
void ExpectMahler(const json& mahler, const std::string& cell, const std::string& where) {
    ASSERT_TRUE(mahler.is_number()) << where;
    const std::string digits = cell.substr(0, cell.find("..."));
    const auto point = digits.find('.');
    const int decimals = point == std::string::npos ? 0 : int(digits.size() - point - 1);
    EXPECT_LE(std::fabs(mahler.get<double>() - std::stod(digits)), 0.5 * std::pow(10, -decimals))
        << where << ": " << cell;
}

// The cell of a headed column as the table prints the object's value.
std::string Rendered(const std::string& heading, const json& k) {
    if (heading == "Name") return k["name"];
    if (heading == "Algebraic unknotting number") return Unknotting(k["unknotting"]);
    if (heading == "Alexander polynomial") return Polynomial(k["alexander"]);
    if (heading == "det(K)") return k["determinant"].dump();
    if (heading == "H_1(L_2(K))") return Group(k["h1_double_cover"]);
    if (heading == "sign(K)") return k["signature"].dump();
    if (heading == "sign_z(K)") return LevineTristram(k["levine_tristram"]);
    if (heading == "Nakanishi index") return Nakanishi(k["nakanishi"]);
    if (heading == "Generator of H_1(X(K),Z[t,t^-1])") return Text(k["generator"]);
    if (heading == "Blanchfield pairing of generator") return Text(k["blanchfield"]);
    if (heading == "Presentation matrix") return Text(k["presentation"]);
    return "unknown column " + heading;
}

void ExpectCell(const std::string& heading, const std::string& cell, const json& k,
                const std::string& where) {
    if (heading == "Mahler(K)") return ExpectMahler(k["mahler"], cell, where + " Mahler");
    EXPECT_EQ(cell, Rendered(heading, k)) << where << " " << heading;
}

// The cells after the headed columns: the minimal matrix, mu when it beats the signatures, and
// the errors, in any order.
void ExpectTrailingCells(std::vector<std::string> cells, const json& k, const std::string& where) {
    std::vector<std::string> expected;
    const std::string matrix = k["minimal_matrix"].dump();
    expected.push_back(cells.empty() || cells[0] == matrix ? matrix : "S-equivalent to " + matrix);
    for (const json& error : k["errors"]) expected.push_back(error.get<std::string>());
    const bool muCell = cells.size() > expected.size();
    if (muCell) expected.push_back("mu(K) = " + k["mu"].dump());
    std::sort(cells.begin(), cells.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(cells, expected) << where;
}

struct ColumnSet {
    std::string folder;
    std::string options;
};

// Runs the Rolfsen table with these options in a fresh folder; returns its table and objects.
std::pair<Table, std::vector<json>> RunRolfsen(const ColumnSet& set) {
    const fs::path dir = fs::temp_directory_path() / set.folder;
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(CORVANE_TEST_DATA_DIR) / "rolfsen-8-matrices.txt", dir / "r.txt");
    const CommandResult r =
        RunCli("--quiet --json --jobs=2 " + set.options + " " + (dir / "r.txt").string());
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return {ReadTable(dir / "r_output.txt"), ReadJsonLines(dir / "r_output.jsonl")};
}

const std::vector<ColumnSet> kColumnSets{
    {"corvane_json_default", ""},
    {"corvane_json_all", "--all-columns"},
    {"corvane_json_mu", "--all-columns --compute-all --mu"},
    {"corvane_json_some", "--columns=determinant,lt,mahler,h1l2"},
};

TEST(JsonLines, EveryValueEqualsTheTableAtEveryColumnSet) {
    for (const ColumnSet& set : kColumnSets) {
        const auto [table, objects] = RunRolfsen(set);
        ASSERT_EQ(objects.size(), table.rows.size()) << set.options;
        ASSERT_EQ(objects.size(), 35U) << set.options;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            const json& k = objects[i];
            const std::vector<std::string>& row = table.rows[i];
            const std::string where = set.options + " " + row[0];
            std::vector<std::string> keys;
            for (const auto& item : k.items()) keys.push_back(item.key());
            EXPECT_EQ(keys, kKeys) << where;
            EXPECT_EQ(k["status"], "done") << where;
            EXPECT_EQ(k["mu"].is_number(), set.options.find("--mu") != std::string::npos) << where;
            const std::size_t headed = table.header.size() - 1;  // all but "Seifert matrix"
            ASSERT_GE(row.size(), headed) << where;
            for (std::size_t c = 0; c < headed; ++c) ExpectCell(table.header[c], row[c], k, where);
            ExpectTrailingCells({row.begin() + long(headed), row.end()}, k, where);
        }
    }
}

TEST(JsonLines, ColumnsChangeNoValue) {
    const std::vector<json> fewest = RunRolfsen(kColumnSets[0]).second;
    const std::vector<json> all = RunRolfsen(kColumnSets[1]).second;
    EXPECT_EQ(fewest, all);
    // Values the default table does not show are there all the same.
    ASSERT_FALSE(fewest.empty());
    EXPECT_EQ(fewest[0]["determinant"], 3);
    EXPECT_EQ(fewest[0]["h1_double_cover"], json::array({3}));
}

TEST(JsonLines, MergedShardsGiveTheObjectsOfOneRun) {
    const fs::path dir = fs::temp_directory_path() / "corvane_json_merge";
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path(CORVANE_TEST_DATA_DIR) / "rolfsen-8-matrices.txt", dir / "r.txt");
    const std::string list = (dir / "r.txt").string();
    ASSERT_EQ(RunCli("--quiet --json " + list).exitCode, 0);
    const std::string single = ReadFile(dir / "r_output.jsonl");
    fs::remove(dir / "r_output.jsonl");
    for (const std::string shard : {"1/2", "2/2"}) {
        ASSERT_EQ(RunCli("--quiet --json --shard=" + shard + " " + list).exitCode, 0);
        EXPECT_FALSE(fs::exists(dir / "r_output.jsonl")) << "a shard run writes only its shard";
    }
    ASSERT_EQ(RunCli("--quiet --json --merge " + list).exitCode, 0);
    EXPECT_EQ(ReadFile(dir / "r_output.jsonl"), single);
    EXPECT_EQ(single.find('\r'), std::string::npos);
}

}  // namespace
