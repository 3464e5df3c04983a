#include "output/shard_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <system_error>

#include "arith/fnv_hash.h"
#include "output/text_results.h"

namespace corvane {

namespace {

constexpr std::string_view kMagic = "corvane shard file 1";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kShardMark = ".shard-";
constexpr std::string_view kOf = "-of-";
// "knot", the position, name, two bounds, detectedBy, detectionCodes, both slot tables, the
// computed Mahler measure and mu(K), which the JSON Lines file gives as computed.
constexpr std::size_t kKnotFields = 9 + 2 * ResultSlots;
// A knot line may end in the certificates of its bounds (upper, then lower), which shard files
// written before certificates existed lack, and then in those of its Nakanishi bounds.
constexpr std::size_t kCertifiedKnotFields = kKnotFields + 2;
constexpr std::size_t kNakanishiCertifiedKnotFields = kKnotFields + 3;

// The field escaped so that it holds no tab, CR or LF and reads back exactly.
std::string Escaped(std::string_view field) {
    constexpr std::string_view kHex = "0123456789abcdef";
    std::string out;
    out.reserve(field.size());
    for (const char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The field as written before Escaped; false for an escape Escaped never writes.
bool Unescaped(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (++i == field.size()) return false;
        switch (field[i]) {
            case '\\':
                out += '\\';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'n':
                out += '\n';
                break;
            case 'x': {
                if (i + 2 >= field.size()) return false;
                const int high = HexDigit(field[i + 1]);
                const int low = HexDigit(field[i + 2]);
                if (high < 0 || low < 0) return false;
                out += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

void AppendRecord(std::string& out, const std::vector<std::string>& fields) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += '\t';
        out += Escaped(fields[i]);
    }
    out += kLineEnd;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab - at));
        if (tab == std::string_view::npos) return fields;
        at = tab + 1;
    }
}

// A decimal integer of type T filling the whole text.
template <typename T>
bool ParseNumber(std::string_view text, T& value, int base = 10) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// Floating-point variant: the exact hexadecimal form, so a value reads back bit for bit.
template <typename T>
bool ParseNumber(std::string_view text, T& value, std::chars_format format) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, format);
    return !text.empty() && ec == std::errc() && ptr == end;
}

// The computed Mahler measure in hexadecimal floating point: every bit of the 64-bit mantissa.
std::string MahlerMeasureText(long double value) {
    std::array<char, 64> buffer{};
    const auto [ptr, ec] =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::hex);
    return std::string(buffer.data(), ptr);
}

std::string Hex16(uint64_t value) {
    std::array<char, 17> buffer{};
    const auto [ptr, ec] = std::to_chars(buffer.data(), buffer.data() + 16, value, 16);
    const std::string digits(buffer.data(), ptr);
    return std::string(16 - digits.size(), '0') + digits;
}

std::string EffortName(int32_t effort) {
    constexpr std::array<std::string_view, 4> kNames{"low", "medium", "large", "very-large"};
    if (effort < 0 || effort >= static_cast<int32_t>(kNames.size())) return std::to_string(effort);
    return std::string(kNames[static_cast<std::size_t>(effort)]);
}

// The printed columns as --columns lists them.
std::string ColumnList(const RunSettings& s) {
    const std::array<std::pair<std::string_view, bool>, 11> columns{{
        {"alexander", s.alexander},
        {"h1l2", s.h1l2},
        {"determinant", s.determinant},
        {"generator", s.generator},
        {"nakanishi", s.nakanishi},
        {"blanchfield", s.blanchfield},
        {"unknotting", s.algebraicUnknotting},
        {"mahler", s.mahler},
        {"signature", s.signature},
        {"lt", s.levineTristram},
        {"presentation", s.presentationMatrix},
    }};
    std::string list;
    for (const auto& [name, printed] : columns) {
        if (!printed) continue;
        if (!list.empty()) list += ',';
        list += name;
    }
    return list;
}

// Whether position i belongs to shard K of N.
bool InShardOf(int i, int shard, int count) {
    return (i - 1) % count == shard - 1;
}

std::vector<std::string> KnotFields(int position, const KnotRecord& knot) {
    std::vector<std::string> fields{"knot",
                                    std::to_string(position),
                                    knot.name,
                                    std::to_string(knot.lowerBound),
                                    std::to_string(knot.upperBound),
                                    knot.detectedBy,
                                    knot.detectionCodes};
    for (const std::string& slot : knot.textFields) fields.push_back(slot);
    for (const std::string& slot : knot.texFields) fields.push_back(slot);
    fields.push_back(MahlerMeasureText(knot.mahlerMeasure));
    fields.push_back(std::to_string(knot.mu));
    fields.push_back(knot.upperCertificate);
    fields.push_back(knot.lowerCertificate);
    fields.push_back(knot.nakanishiCertificate);
    return fields;
}

bool ReadKnot(const std::vector<std::string_view>& fields, ShardKnot& knot) {
    if (fields.size() != kKnotFields && fields.size() != kCertifiedKnotFields &&
        fields.size() != kNakanishiCertifiedKnotFields) {
        return false;
    }
    std::vector<std::string> values(fields.size());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!Unescaped(fields[i], values[i])) return false;
    }
    if (!ParseNumber(fields[1], knot.position) || !ParseNumber(fields[3], knot.lowerBound) ||
        !ParseNumber(fields[4], knot.upperBound)) {
        return false;
    }
    knot.name = values[2];
    knot.detectedBy = values[5];
    knot.detectionCodes = values[6];
    for (int slot = 1; slot <= ResultSlots; ++slot) {
        knot.textFields(slot) = values[static_cast<std::size_t>(6 + slot)];
        knot.texFields(slot) = values[static_cast<std::size_t>(6 + ResultSlots + slot)];
    }
    if (fields.size() >= kCertifiedKnotFields) {
        knot.upperCertificate = values[kKnotFields];
        knot.lowerCertificate = values[kKnotFields + 1];
    }
    if (fields.size() == kNakanishiCertifiedKnotFields)
        knot.nakanishiCertificate = values[kKnotFields + 2];
    return ParseNumber(fields[7 + 2 * ResultSlots], knot.mahlerMeasure, std::chars_format::hex) &&
           ParseNumber(fields[8 + 2 * ResultSlots], knot.mu);
}

// One line of a shard file after the first; an error text when it is malformed.
std::string ReadRecord(std::string_view line, ShardFile& file) {
    const std::vector<std::string_view> fields = SplitFields(line);
    const std::string_view kind = fields[0];
    if (file.finished) return "a line after \"finished\"";
    if (kind == "shard" && fields.size() == 3) {
        if (!ParseNumber(fields[1], file.shard) || !ParseNumber(fields[2], file.count) ||
            file.count < 1 || file.shard < 1 || file.shard > file.count) {
            return "malformed shard line";
        }
        return {};
    }
    if (kind == "list" && fields.size() == 3) {
        if (!ParseNumber(fields[1], file.knotCount) || fields[2].size() != 16 ||
            !ParseNumber(fields[2], file.listHash, 16)) {
            return "malformed list line";
        }
        return {};
    }
    if (kind == "setting" && fields.size() == 3) {
        std::string name;
        std::string value;
        if (!Unescaped(fields[1], name) || !Unescaped(fields[2], value)) {
            return "malformed setting line";
        }
        file.settings.emplace_back(std::move(name), std::move(value));
        return {};
    }
    if (kind == "knot") {
        ShardKnot knot;
        if (!ReadKnot(fields, knot)) return "malformed knot line";
        const int last = file.knots.empty() ? 0 : file.knots.back().position;
        if (knot.position <= last) return "knot positions out of order";
        file.knots.push_back(std::move(knot));
        return {};
    }
    if (kind == "finished" && fields.size() == 1) {
        file.finished = true;
        return {};
    }
    return "unknown line";
}

// Each setting that differs, as "name: value there, value here".
std::string SettingsDifference(const std::vector<std::pair<std::string, std::string>>& there,
                               const std::vector<std::pair<std::string, std::string>>& here) {
    const std::map<std::string, std::string> theirs(there.begin(), there.end());
    std::string text;
    for (const auto& [name, value] : here) {
        const auto it = theirs.find(name);
        const std::string other = it == theirs.end() ? "none" : it->second;
        if (other == value) continue;
        if (!text.empty()) text += "; ";
        text += name + " " + other + " there, " + value + " here";
    }
    return text.empty() ? "settings of another kind" : text;
}

// Why a shard file read from `name` cannot be merged into the table of `state`; empty when it
// can.
std::string Mismatch(const ShardFile& file, const ShardFileEntry& entry, const RunState& state,
                     const std::vector<std::pair<std::string, std::string>>& settings,
                     uint64_t listHash) {
    const std::string name = entry.path.filename().string();
    if (file.shard != entry.shard || file.count != entry.count) {
        return name + " holds shard " + std::to_string(file.shard) + " of " +
               std::to_string(file.count);
    }
    if (file.knotCount != state.KnotCount() || file.listHash != listHash) {
        return name + " was computed from another list (" + std::to_string(file.knotCount) +
               " knots), or the list has changed since (" + std::to_string(state.KnotCount()) +
               " knots)";
    }
    if (file.settings != settings) {
        return name + " was computed with other options than this merge: " +
               SettingsDifference(file.settings, settings);
    }
    for (const ShardKnot& knot : file.knots) {
        const bool fits = knot.position >= 1 && knot.position <= state.KnotCount() &&
                          InShardOf(knot.position, file.shard, file.count) &&
                          !state.Knots.TakenOver(knot.position) &&
                          state.Knots.Copy(knot.position).name == knot.name;
        if (!fits) {
            return name + ": the knot at position " + std::to_string(knot.position) +
                   " is not that of the list";
        }
    }
    return {};
}

}  // namespace

std::string ShardFileName(std::string_view inputName, int shard, int count) {
    const std::string results = ResultsFileName(inputName);
    const std::string mark =
        std::string(kShardMark) + std::to_string(shard) + std::string(kOf) + std::to_string(count);
    const std::size_t dot = results.rfind('.');
    if (dot == std::string::npos) return results + mark;
    return results.substr(0, dot) + mark + results.substr(dot);
}

std::filesystem::path ShardFilePath(const std::filesystem::path& inputFile, int shard, int count) {
    return inputFile.parent_path() / ShardFileName(inputFile.filename().string(), shard, count);
}

uint64_t ListHash(const RunState& state) {
    uint64_t h = kFnvOffset;
    for (const KnotRecord& knot : state.Knots) {
        for (const std::string* part : {&knot.inputLine, &knot.storedLine, &knot.redoneRow}) {
            h = Fnv1a(h, *part);
            h = Fnv1a(h, "\n");
        }
        h = Fnv1a(h, knot.takenOver ? "1" : "0");
    }
    return h;
}

// Four 32-bit numbers and fourteen flags, 30 bytes padded to 32: a field added to RunSettings
// changes the size and must be added here too.
static_assert(sizeof(RunSettings) == 32, "record every field of RunSettings in the shard settings");

std::vector<std::pair<std::string, std::string>> ShardSettings(const RunSettings& s,
                                                               uint64_t runSeed) {
    const auto flag = [](bool on) { return std::string(on ? "1" : "0"); };
    const std::string ltValues = s.ltValueCount == LevineTristramValueCount(3)
                                     ? std::string("8192")
                                     : std::to_string(s.ltValueCount);
    return {
        {"unknotting-effort", EffortName(s.unknottingEffort)},
        {"nakanishi-effort", EffortName(s.nakanishiEffort)},
        {"lt-values", ltValues},
        {"mahler-values", std::to_string(s.mahlerValueCount)},
        {"compute-all", flag(s.computeAll)},
        {"mu", flag(s.computeMu)},
        {"check-u3", flag(s.checkU3)},
        {"columns", ColumnList(s)},
        {"seed", std::to_string(runSeed)},
    };
}

std::string ShardFileContents(const RunState& state) {
    std::string out(kMagic);
    out += kLineEnd;
    AppendRecord(out,
                 {"shard", std::to_string(state.ShardNumber), std::to_string(state.ShardCount)});
    AppendRecord(out, {"list", std::to_string(state.KnotCount()), Hex16(ListHash(state))});
    for (const auto& [name, value] : ShardSettings(state.Settings, state.RunSeed))
        AppendRecord(out, {"setting", name, value});
    bool finished = true;
    KnotRecord buffer;
    for (int i = 1; i <= state.KnotCount(); ++i) {
        const KnotRecord& knot = state.Knots.Get(i, buffer);
        if (knot.takenOver || !InShard(state, i)) continue;
        if (knot.computed) {
            AppendRecord(out, KnotFields(i, knot));
        } else {
            finished = false;
        }
    }
    if (finished) AppendRecord(out, {"finished"});
    return out;
}

WriteStatus WriteShardFile(const RunState& state, const std::filesystem::path& inputFile) {
    return WriteFileAtomically(ShardFilePath(inputFile, state.ShardNumber, state.ShardCount),
                               ShardFileContents(state));
}

std::string ReadShardFile(const std::filesystem::path& path, ShardFile& file) {
    file = ShardFile{};
    file.knotCount = -1;  // until the list line is read
    std::ifstream in(path, std::ios::binary);
    if (!in) return "cannot be opened";
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t at = 0;
    int lineNumber = 0;
    while (at < text.size()) {
        const std::size_t end = text.find(kLineEnd, at);
        if (end == std::string::npos)
            return "line " + std::to_string(lineNumber + 1) + " is cut off";
        const std::string_view line(text.data() + at, end - at);
        at = end + kLineEnd.size();
        ++lineNumber;
        if (lineNumber == 1) {
            if (line != kMagic) return "not a shard file";
            continue;
        }
        const std::string error = ReadRecord(line, file);
        if (!error.empty()) return "line " + std::to_string(lineNumber) + ": " + error;
    }
    if (lineNumber == 0) return "not a shard file";
    if (file.count == 0 || file.knotCount < 0) return "no shard or list line";
    return {};
}

std::vector<ShardFileEntry> FindShardFiles(const std::filesystem::path& inputFile) {
    const std::string inputName = inputFile.filename().string();
    const std::string results = ResultsFileName(inputName);
    const std::size_t dot = results.rfind('.');
    const std::string prefix = results.substr(0, dot) + std::string(kShardMark);
    const std::string suffix = dot == std::string::npos ? std::string() : results.substr(dot);
    const std::filesystem::path folder =
        inputFile.parent_path().empty() ? std::filesystem::path(".") : inputFile.parent_path();

    std::vector<ShardFileEntry> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix) || !name.ends_with(suffix) ||
            name.size() <= prefix.size() + suffix.size()) {
            continue;
        }
        const std::string_view middle = std::string_view(name).substr(
            prefix.size(), name.size() - prefix.size() - suffix.size());
        const std::size_t of = middle.find(kOf);
        int shard = 0;
        int count = 0;
        if (of == std::string_view::npos || !ParseNumber(middle.substr(0, of), shard) ||
            !ParseNumber(middle.substr(of + kOf.size()), count) || shard < 1 || shard > count ||
            ShardFileName(inputName, shard, count) != name) {
            continue;
        }
        found.push_back({shard, count, inputFile.parent_path() / name});
    }
    std::sort(found.begin(), found.end(), [](const ShardFileEntry& a, const ShardFileEntry& b) {
        return std::pair(a.count, a.shard) < std::pair(b.count, b.shard);
    });
    return found;
}

MergeReport MergeShards(RunState& state, const std::filesystem::path& inputFile) {
    MergeReport report;
    const std::vector<ShardFileEntry> entries = FindShardFiles(inputFile);
    const std::string inputName = inputFile.filename().string();
    if (entries.empty()) {
        report.refusal = "no shard files beside " + inputFile.string() + " (such as " +
                         ShardFileName(inputName, 1, 64) + ")";
        return report;
    }
    if (entries.front().count != entries.back().count) {
        report.refusal = "shard files of different runs beside the list: " +
                         entries.front().path.filename().string() + " and " +
                         entries.back().path.filename().string() + "; keep only those of one run";
        return report;
    }
    report.count = entries.front().count;

    const auto settings = ShardSettings(state.Settings, state.RunSeed);
    const uint64_t listHash = ListHash(state);
    // Every file is checked before any knot is taken, and read again to take its knots: memory
    // holds one shard file at a time, however long the list.
    for (const ShardFileEntry& entry : entries) {
        ShardFile file;
        const std::string error = ReadShardFile(entry.path, file);
        if (!error.empty()) {
            report.refusal = entry.path.string() + ": " + error;
            return report;
        }
        report.refusal = Mismatch(file, entry, state, settings, listHash);
        if (!report.refusal.empty()) return report;
    }

    std::set<int> present;
    for (const ShardFileEntry& entry : entries) {
        ShardFile file;
        const std::string error = ReadShardFile(entry.path, file);
        if (error.empty()) report.refusal = Mismatch(file, entry, state, settings, listHash);
        if (!error.empty() || !report.refusal.empty()) {
            report.refusal = entry.path.string() + " changed during the merge";
            return report;
        }
        present.insert(file.shard);
        if (!file.finished) report.unfinished.push_back(file.shard);
        for (const ShardKnot& from : file.knots) {
            KnotRecord& knot = state.Knots(from.position);  // live until parked below
            knot.lowerBound = from.lowerBound;
            knot.upperBound = from.upperBound;
            knot.detectedBy = from.detectedBy;
            knot.detectionCodes = from.detectionCodes;
            knot.textFields = from.textFields;
            knot.texFields = from.texFields;
            knot.mahlerMeasure = from.mahlerMeasure;
            knot.mu = from.mu;
            knot.upperCertificate = from.upperCertificate;
            knot.lowerCertificate = from.lowerCertificate;
            knot.nakanishiCertificate = from.nakanishiCertificate;
            knot.computed = true;
            state.Knots.Park(from.position);
        }
    }
    for (int k = 1; k <= report.count; ++k) {
        if (!present.contains(k)) report.missing.push_back(k);
    }
    return report;
}

}  // namespace corvane
