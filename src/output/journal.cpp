#include "output/journal.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "arith/fnv_hash.h"
#include "knot/knot_store.h"
#include "output/shard_file.h"
#include "output/text_results.h"

namespace corvane {

namespace {

// An entry: 4 bytes of length n, 8 of checksum, 4 of position, then n - 4 bytes of record.
constexpr std::size_t kEntryHead = 12;
// No record comes near this: a larger length is a damaged entry.
constexpr uint32_t kMaxEntry = 1U << 30;

std::string HeaderLine(const RunState& state) {
    std::string line = "corvane journal 1";
    for (const auto& [name, value] : ShardSettings(state.Settings, state.RunSeed))
        line += " " + name + "=" + value;
    // Knots computed without their certificates are not taken back by a run that writes them.
    if (!state.Certificates) line += " certificates=no";
    return line + "\n";
}

void PutFixed(std::string& out, uint64_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) out += static_cast<char>((value >> (8 * b)) & 0xff);
}

uint64_t GetFixed(const char* in, int bytes) {
    uint64_t value = 0;
    for (int b = 0; b < bytes; ++b)
        value |= static_cast<uint64_t>(static_cast<unsigned char>(in[b])) << (8 * b);
    return value;
}

// Whether the journal's knot stands for knot `position` of the table as read.
bool Matches(const KnotRecord& kept, const KnotRecord& read, const RunSettings& settings) {
    if (!kept.computed || kept.takenOver || !NotAKnotReason(kept).empty()) return false;
    if (read.takenOver) return read.storedLine == KnotRow(kept, settings);
    return !read.computed && read.redoneRow.empty() && read.name == kept.name &&
           read.inputLine == kept.inputLine;
}

// Takes back the journal's knots into the table; returns how many, and sets `end` to the length
// of the journal's whole entries.
int TakeBack(std::ifstream& in, RunState& state, uint64_t& end) {
    int taken = 0;
    std::vector<char> head(kEntryHead);
    std::string payload;
    KnotRecord kept;
    KnotRecord buffer;
    while (in.read(head.data(), kEntryHead)) {
        const auto length = static_cast<uint32_t>(GetFixed(head.data(), 4));
        const uint64_t checksum = GetFixed(head.data() + 4, 8);
        if (length < 4 || length > kMaxEntry) break;
        payload.resize(length);
        if (!in.read(payload.data(), length)) break;
        if (Fnv1a(kFnvOffset, payload) != checksum) break;
        end += kEntryHead + length;
        const auto position = static_cast<int32_t>(GetFixed(payload.data(), 4));
        if (position < 1 || position > state.KnotCount()) continue;
        try {
            DecodeRecord(std::string_view(payload).substr(4), kept);
        } catch (const std::runtime_error&) {
            continue;
        }
        const KnotRecord& read = state.Knots.Get(position, buffer);
        if (!Matches(kept, read, state.Settings)) continue;
        kept.lineNumber = read.lineNumber;
        state.Knots(position) = kept;
        state.Knots.Park(position);
        ++taken;
    }
    return taken;
}

}  // namespace

std::filesystem::path JournalFilePath(const std::filesystem::path& inputFile) {
    return std::filesystem::path(ResultsFilePath(inputFile)).replace_extension(".journal");
}

RunJournal::~RunJournal() {
    if (file_ != nullptr) std::fclose(file_);
}

int RunJournal::Open(const std::filesystem::path& path, RunState& state, bool resume) {
    path_ = path;
    const std::string header = HeaderLine(state);
    int taken = 0;
    uint64_t end = 0;
    if (resume) {
        std::ifstream in(path, std::ios::binary);
        std::string line;
        if (in && std::getline(in, line) && line + "\n" == header) {
            end = header.size();
            taken = TakeBack(in, state, end);
        }
    }
    if (end > 0) {
        // The entries after the last whole one (a kill's torn end) are cut off.
        std::error_code error;
        std::filesystem::resize_file(path, end, error);
        file_ = error ? nullptr : std::fopen(path.c_str(), "ab");
    } else {
        file_ = std::fopen(path.c_str(), "wb");
        if (file_ != nullptr &&
            (std::fwrite(header.data(), 1, header.size(), file_) != header.size() ||
             std::fflush(file_) != 0)) {
            Remove();
        }
    }
    return taken;
}

void RunJournal::Append(int position, const KnotRecord& knot) {
    const std::lock_guard lock(mutex_);
    if (file_ == nullptr) return;
    std::string record;
    PutFixed(record, static_cast<uint32_t>(position), 4);
    std::string encoded;
    EncodeRecord(knot, encoded);
    record += encoded;
    bytes_.clear();
    PutFixed(bytes_, record.size(), 4);
    PutFixed(bytes_, Fnv1a(kFnvOffset, record), 8);
    bytes_ += record;
    if (std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size() ||
        std::fflush(file_) != 0) {
        // A journal with a gap would lose nothing (the results files still hold every knot), but
        // one that cannot be written is no use: the run goes on without it.
        std::fclose(file_);
        file_ = nullptr;
        std::error_code error;
        std::filesystem::remove(path_, error);
    }
}

void RunJournal::Remove() {
    const std::lock_guard lock(mutex_);
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
    std::error_code error;
    if (!path_.empty()) std::filesystem::remove(path_, error);
}

}  // namespace corvane
