#include "output/json_results.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "invariants/mahler.h"
#include "output/latex_results.h"

namespace corvane {

namespace {

// Keys keep the order in which they are given, the order of the table's columns.
using json = nlohmann::ordered_json;

// An integer beyond 64 bits is carried through the JSON library as a string that starts with
// this mark, and written as the bare number when the object is dumped: JSON numbers have no size
// limit, and readers such as Python's keep every digit.
constexpr std::string_view kBigIntegerMark = "\x01#";
constexpr std::string_view kDumpedBigIntegerMark = "\"\\u0001#";
constexpr std::string_view kDetectedBy = " detected by ";
constexpr std::string_view kTooLarge = "too large";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The text the table prints for the slot of `code`, without its padding; empty when the knot
// has no such slot or the slot holds only its code.
std::string_view SlotText(const KnotRecord& knot, std::string_view code) {
    for (const std::string& slot : knot.textFields) {
        if (slot.size() < 2 || std::string_view(slot).substr(0, 2) != code) continue;
        return Trimmed(std::string_view(slot).substr(2));
    }
    return {};
}

json TextOrNull(std::string_view text) {
    return text.empty() ? json(nullptr) : json(std::string(text));
}

// A whole decimal integer with optional sign, nothing else.
std::optional<int64_t> WholeInteger(std::string_view text) {
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
    return value;
}

// Whether text is an optional "-" followed by decimal digits, the first of them not 0 unless it
// is the only one.
bool IsDecimalInteger(std::string_view text) {
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty() || (text.size() > 1 && text.front() == '0')) return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A whole decimal integer of any size (an optional "+" is dropped), null for any other text.
json IntegerOrNull(std::string_view text) {
    if (const std::optional<int64_t> value = WholeInteger(text)) return *value;
    text = Trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (!IsDecimalInteger(text)) return nullptr;
    return std::string(kBigIntegerMark) + std::string(text);
}

// The coefficients of c_0 + c_1 t + ... + c_d t^d as PolyToText writes it ("1-t+t^2"), null
// when the text is not such a polynomial with integer coefficients.
json PolynomialCoefficients(std::string_view text) {
    if (text.empty()) return nullptr;
    json coefficients = json::array();
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find_first_of("+-", at + 1);
        if (end == std::string_view::npos) end = text.size();
        std::string_view term = text.substr(at, end - at);
        at = end;
        const std::size_t t = term.find('t');
        std::string_view coefficient = term.substr(0, t);
        int64_t power = 0;
        if (t != std::string_view::npos) {
            const std::string_view exponent = term.substr(t + 1);
            if (exponent.empty()) {
                power = 1;
            } else if (exponent.front() != '^' || !WholeInteger(exponent.substr(1))) {
                return nullptr;
            } else {
                power = *WholeInteger(exponent.substr(1));
            }
            if (coefficient == "" || coefficient == "+") coefficient = "1";
            if (coefficient == "-") coefficient = "-1";
        }
        json c = IntegerOrNull(coefficient);
        if (c.is_null() || power < 0 || power > 4 * MaxSeifertDim) return nullptr;
        const std::size_t index = static_cast<std::size_t>(power);
        while (coefficients.size() <= index) coefficients.push_back(0);
        coefficients[index] = std::move(c);
    }
    return coefficients;
}

// The orders d of "Z/d1+Z/d2+...": [] for "0", null for any other text.
json CyclicOrders(std::string_view text) {
    if (text.empty()) return nullptr;
    json orders = json::array();
    if (text == "0") return orders;
    while (!text.empty()) {
        const std::size_t plus = text.find('+');
        const std::string_view summand = text.substr(0, plus);
        if (summand.substr(0, 2) != "Z/") return nullptr;
        json order = IntegerOrNull(summand.substr(2));
        if (order.is_null()) return nullptr;
        orders.push_back(std::move(order));
        text = plus == std::string_view::npos ? std::string_view() : text.substr(plus + 1);
    }
    return orders;
}

// The rows of a matrix text "[[a,b],[c,d]]" (blanks allowed between the tokens), with entries
// of any size; null when the text is not a list of rows of integers.
json MatrixRows(std::string_view text) {
    json rows = json::array();
    const auto skipBlanks = [&text] {
        while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    };
    const auto take = [&text, &skipBlanks](char c) {
        skipBlanks();
        if (text.empty() || text.front() != c) return false;
        text.remove_prefix(1);
        return true;
    };
    if (!take('[')) return nullptr;
    if (take(']')) return text.empty() ? rows : json(nullptr);  // the empty matrix
    do {
        if (!take('[')) return nullptr;
        json row = json::array();
        do {
            skipBlanks();
            const std::size_t end = std::min(text.find_first_of(",] "), text.size());
            json entry = IntegerOrNull(text.substr(0, end));
            if (entry.is_null()) return nullptr;
            row.push_back(std::move(entry));
            text.remove_prefix(end);
        } while (take(','));
        if (!take(']')) return nullptr;
        rows.push_back(std::move(row));
    } while (take(','));
    if (!take(']')) return nullptr;
    skipBlanks();
    return text.empty() ? rows : json(nullptr);
}

// The minimal matrix of the "se" slot: "[[...]]" or "S-equivalent to [[...]]".
json MinimalMatrix(std::string_view text) {
    const std::size_t open = text.find('[');
    return open == std::string_view::npos ? json(nullptr) : MatrixRows(text.substr(open));
}

// The extremes of the Levine-Tristram signatures that the "lt" slot states.
json LevineTristram(std::string_view text, const RunSettings& settings) {
    if (text.empty()) return nullptr;
    json lt = {{"values", settings.ltValueCount}, {"min", nullptr}, {"max", nullptr}};
    const std::size_t dots = text.find("...");
    if (dots != std::string_view::npos) {
        lt["min"] = IntegerOrNull(text.substr(0, dots));
        lt["max"] = IntegerOrNull(text.substr(dots + 3));
        return lt;
    }
    const std::optional<int64_t> sample = WholeInteger(text);
    if (!sample) return nullptr;
    if (*sample <= 0) lt["min"] = *sample;
    if (*sample >= 0) lt["max"] = *sample;
    return lt;
}

// The decimal number of a text such as "0.96..." or "1.5E+20", read in the C locale.
std::optional<double> PrintedNumber(std::string_view text) {
    if (text.size() >= 3 && text.substr(text.size() - 3) == "...") text.remove_suffix(3);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return {};
    return value;
}

json Mahler(const KnotRecord& knot, const RunSettings& settings) {
    const std::string_view text = SlotText(knot, "ma");
    if (text.empty()) return nullptr;
    if (text == MahlerText(knot.mahlerMeasure, settings.mahlerValueCount)) {
        return static_cast<double>(knot.mahlerMeasure);
    }
    const std::optional<double> printed = PrintedNumber(text);
    return printed ? json(*printed) : json(nullptr);
}

// The minimal matrix of a computed knot; the empty matrix for a knot settled as trivial (upper
// bound 0: the reduction left nothing), whose row prints no matrix.
json MinimalMatrixOf(const KnotRecord& knot) {
    const std::string_view text = SlotText(knot, "se");
    if (text.empty() && knot.upperBound == 0) return json::array();
    return MinimalMatrix(text);
}

json Mu(const KnotRecord& knot) {
    return knot.mu < 0 ? json(nullptr) : json(knot.mu);
}

// The certificates of the bounds, each null where it has none; null when neither has one.
json Certificate(const KnotRecord& knot) {
    if (knot.lowerCertificate.empty() && knot.upperCertificate.empty()) return nullptr;
    const auto parsed = [](const std::string& text) {
        return text.empty() ? json(nullptr) : json::parse(text, nullptr, false);
    };
    return {{"lower", parsed(knot.lowerCertificate)}, {"upper", parsed(knot.upperCertificate)}};
}

json Unknotting(const KnotRecord& knot) {
    json detectedBy = json::array();
    const std::string_view name = Trimmed(knot.detectedBy);
    if (!name.empty()) detectedBy.push_back(std::string(name));
    json codes = json::array();
    std::string_view rest = knot.detectionCodes;
    while (!rest.empty()) {
        const std::size_t comma = rest.find(',');
        const std::string_view code = rest.substr(0, comma);
        if (!code.empty()) codes.push_back(std::string(code));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    const bool known = UnknottingBoundKnown(knot.lowerBound, knot.upperBound);
    return {{"lower", known ? json(knot.lowerBound) : json(nullptr)},
            {"upper", knot.upperBound == -1 ? json(nullptr) : json(knot.upperBound)},
            {"detected_by", detectedBy},
            {"codes", codes},
            {"certificate", Certificate(knot)}};
}

// The "nk" slot: "k", "l or u", "l,l+1 or u", "l...u" or "> k", each possibly followed by
// " detected by " and the source of the lower bound; with the certificates of the bounds (each
// null where it has none; null when neither has one).
json Nakanishi(std::string_view text, const std::string& certificate) {
    if (text.empty()) return nullptr;
    json source = nullptr;
    const std::size_t by = text.find(kDetectedBy);
    if (by != std::string_view::npos) {
        source = std::string(text.substr(by + kDetectedBy.size()));
        text = text.substr(0, by);
    }
    json lower = nullptr;
    json upper = nullptr;
    if (text.substr(0, 2) == "> ") {
        const std::optional<int64_t> below = WholeInteger(text.substr(2));
        if (below) lower = *below + 1;
    } else {
        const std::size_t split = std::min(text.find_first_of(",."), text.find(' '));
        const std::size_t last = text.find_last_of(" .");
        lower = IntegerOrNull(text.substr(0, split));
        upper = last == std::string_view::npos ? lower : IntegerOrNull(text.substr(last + 1));
    }
    json certificates = nullptr;
    if (!certificate.empty()) certificates = json::parse(certificate, nullptr, false);
    return {{"lower", lower}, {"upper", upper}, {"source", source}, {"certificate", certificates}};
}

json Errors(const KnotRecord& knot) {
    json errors = json::array();
    for (const std::string_view code : {"er", "cd"}) {
        const std::string_view text = SlotText(knot, code);
        if (!text.empty()) errors.push_back(std::string(text));
    }
    return errors;
}

std::string Status(const KnotRecord& knot, const json& errors) {
    if (SlotText(knot, "cd").find(kTooLarge) != std::string_view::npos) return "too large";
    return errors.empty() ? "done" : "error";
}

json ComputedKnot(const KnotRecord& knot, const RunSettings& settings) {
    const json errors = Errors(knot);
    return {
        {"name", knot.name},
        {"input", knot.inputLine},
        {"status", Status(knot, errors)},
        {"minimal_matrix", MinimalMatrixOf(knot)},
        {"alexander", PolynomialCoefficients(SlotText(knot, "al"))},
        {"determinant", IntegerOrNull(SlotText(knot, "dt"))},
        {"h1_double_cover", CyclicOrders(SlotText(knot, "l2"))},
        {"signature", IntegerOrNull(SlotText(knot, "si"))},
        {"levine_tristram", LevineTristram(SlotText(knot, "lt"), settings)},
        {"mahler", Mahler(knot, settings)},
        {"mu", Mu(knot)},
        {"unknotting", Unknotting(knot)},
        {"nakanishi", Nakanishi(SlotText(knot, "nk"), knot.nakanishiCertificate)},
        {"generator", TextOrNull(SlotText(knot, "ge"))},
        {"blanchfield", TextOrNull(SlotText(knot, "bl"))},
        {"presentation", TextOrNull(SlotText(knot, "rm"))},
        {"errors", errors},
    };
}

json TakenOverKnot(const KnotRecord& knot) {
    const std::string_view row = knot.storedLine;
    const std::size_t matrix = row.rfind("[[");
    json object = {{"name", std::string(Trimmed(row.substr(0, row.find('|'))))},
                   {"input", knot.storedLine},
                   {"status", "done"}};
    for (const char* key : {"minimal_matrix", "alexander", "determinant", "h1_double_cover",
                            "signature", "levine_tristram", "mahler", "mu", "unknotting",
                            "nakanishi", "generator", "blanchfield", "presentation"}) {
        object[key] = nullptr;
    }
    if (matrix != std::string_view::npos) {
        const std::size_t end = row.find("]]", matrix);
        if (end != std::string_view::npos) {
            object["minimal_matrix"] = MatrixRows(row.substr(matrix, end + 2 - matrix));
        }
    }
    object["errors"] = json::array();
    return object;
}

// Invalid UTF-8 in names and lines (a file in another encoding) is replaced, not refused. The
// marked strings of integers beyond 64 bits become bare numbers.
std::string Dumped(const json& object) {
    std::string line = object.dump(-1, ' ', false, json::error_handler_t::replace);
    std::string out;
    std::size_t at = 0;
    for (std::size_t mark = line.find(kDumpedBigIntegerMark); mark != std::string::npos;
         mark = line.find(kDumpedBigIntegerMark, at)) {
        const std::size_t digits = mark + kDumpedBigIntegerMark.size();
        const std::size_t close = line.find('"', digits);
        if (close == std::string::npos ||
            !IsDecimalInteger(std::string_view(line).substr(digits, close - digits))) {
            out.append(line, at, digits - at);
            at = digits;
            continue;
        }
        out.append(line, at, mark - at);
        out.append(line, digits, close - digits);
        at = close + 1;
    }
    if (at == 0) return line;
    out.append(line, at, std::string::npos);
    return out;
}

}  // namespace

std::string JsonResultsFileName(std::string_view inputName) {
    std::string name = LatexResultsFileName(inputName);
    name.resize(name.size() - std::string_view(".tex").size());
    return name + ".jsonl";
}

std::filesystem::path JsonResultsFilePath(const std::filesystem::path& inputFile) {
    return inputFile.parent_path() / JsonResultsFileName(inputFile.filename().string());
}

json KnotJson(const KnotRecord& knot, const RunSettings& settings) {
    if (knot.takenOver) return TakenOverKnot(knot);
    if (knot.computed) return ComputedKnot(knot, settings);
    return json{{"name", knot.name}, {"input", knot.inputLine}, {"status", "pending"}};
}

std::string KnotJsonLine(const KnotRecord& knot, const RunSettings& settings) {
    return Dumped(KnotJson(knot, settings));
}

std::optional<std::string_view> JsonBigIntegerDigits(std::string_view text) {
    if (!text.starts_with(kBigIntegerMark)) return std::nullopt;
    text.remove_prefix(kBigIntegerMark.size());
    if (!IsDecimalInteger(text)) return std::nullopt;
    return text;
}

bool HasJsonObject(const KnotRecord& knot) {
    return !(knot.takenOver && knot.storedLine.starts_with('%'));
}

namespace {

// The JSON Lines file piece by piece: one piece per knot and one per line end.
void WriteJsonLines(const RunState& state, const ChunkWriter& write) {
    if (state.InputError) return;
    for (const KnotRecord& knot : state.Knots) {
        if (!HasJsonObject(knot)) continue;
        write(knot.jsonLine.empty() ? KnotJsonLine(knot, state.Settings) : knot.jsonLine);
        write("\n");
    }
}

}  // namespace

std::string JsonResultsContents(const RunState& state) {
    std::string out;
    WriteJsonLines(state, [&out](std::string_view piece) { out += piece; });
    return out;
}

WriteStatus WriteJsonResults(const RunState& state, const std::filesystem::path& inputFile) {
    return WriteFileAtomically(JsonResultsFilePath(inputFile), [&state](const ChunkWriter& write) {
        WriteJsonLines(state, write);
    });
}

}  // namespace corvane
