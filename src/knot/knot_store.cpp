#include "knot/knot_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace corvane {

namespace {

// Every field of the record is encoded: a field added to KnotRecord changes its size, and must be
// added to EncodeRecord and DecodeRecord (and to the round-trip test) before this compiles again.
static_assert(sizeof(KnotRecord) == 624, "encode every field of KnotRecord");

// Appends are written to the file in pieces of about this size.
constexpr std::size_t kSpillBuffer = std::size_t{1} << 20;

void PutNumber(std::string& out, uint64_t value) {
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7f) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

void PutSigned(std::string& out, int64_t value) {
    const auto u = static_cast<uint64_t>(value);
    PutNumber(out, value < 0 ? ~(u << 1) : u << 1);
}

void PutText(std::string& out, std::string_view text) {
    PutNumber(out, text.size());
    out += text;
}

void PutSlots(std::string& out, const ResultSlotArray& slots) {
    bool any = false;
    for (const std::string& slot : slots) any = any || !slot.empty();
    out += static_cast<char>(any ? 1 : 0);
    if (!any) return;
    for (const std::string& slot : slots) PutText(out, slot);
}

class Reader {
  public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    uint64_t Number() {
        uint64_t value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            const auto byte = static_cast<unsigned char>(Byte());
            value |= static_cast<uint64_t>(byte & 0x7f) << shift;
            if ((byte & 0x80) == 0) return value;
        }
        throw std::runtime_error("damaged knot record");
    }
    int64_t Signed() {
        const uint64_t u = Number();
        return static_cast<int64_t>((u & 1) != 0 ? ~(u >> 1) : u >> 1);
    }
    int32_t Int() { return static_cast<int32_t>(Signed()); }
    bool Flag() { return Byte() != 0; }
    std::string Text() {
        const uint64_t size = Number();
        if (size > bytes_.size() - at_) throw std::runtime_error("damaged knot record");
        std::string text(bytes_.substr(at_, size));
        at_ += size;
        return text;
    }
    void Slots(ResultSlotArray& slots) {
        slots.Clear();
        if (!Flag()) return;
        for (std::string& slot : slots) slot = Text();
    }
    void Raw(void* to, std::size_t size) {
        if (size > bytes_.size() - at_) throw std::runtime_error("damaged knot record");
        std::memcpy(to, bytes_.data() + at_, size);
        at_ += size;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

  private:
    char Byte() {
        if (at_ >= bytes_.size()) throw std::runtime_error("damaged knot record");
        return bytes_[at_++];
    }
    std::string_view bytes_;
    std::size_t at_ = 0;
};

}  // namespace

void EncodeRecord(const KnotRecord& knot, std::string& out) {
    out.clear();
    PutText(out, knot.name);
    PutSigned(out, knot.size);
    const int n = knot.seifert.Size();
    PutSigned(out, n);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) PutSigned(out, knot.seifert(i, j));
    }
    PutText(out, knot.inputLine);
    PutText(out, knot.crossingCode);
    PutSigned(out, knot.lineNumber);
    PutText(out, knot.notKnotReason);
    out += static_cast<char>(knot.takenOver ? 1 : 0);
    PutText(out, knot.storedLine);
    PutText(out, knot.redoneRow);
    out += static_cast<char>(knot.computed ? 1 : 0);
    PutSlots(out, knot.textFields);
    PutSlots(out, knot.texFields);
    PutSigned(out, knot.lowerBound);
    PutSigned(out, knot.upperBound);
    PutText(out, knot.detectedBy);
    PutText(out, knot.detectionCodes);
    PutText(out, knot.upperCertificate);
    PutText(out, knot.lowerCertificate);
    PutText(out, knot.nakanishiCertificate);
    PutSigned(out, knot.nakanishiLower);
    PutSigned(out, knot.nakanishiUpper);
    PutSigned(out, knot.signature);
    PutSigned(out, knot.determinant);
    char mahler[sizeof(long double)];
    std::memcpy(mahler, &knot.mahlerMeasure, sizeof mahler);
    out.append(mahler, sizeof mahler);
    PutSigned(out, knot.mu);
    PutText(out, knot.coversTried);
    PutText(out, knot.generatorText);
    PutText(out, knot.blanchfieldText);
    PutText(out, knot.jsonLine);
}

void DecodeRecord(std::string_view bytes, KnotRecord& knot) {
    Reader in(bytes);
    knot.name = in.Text();
    knot.size = in.Int();
    const int n = in.Int();
    if (n < 0 || n > MaxSeifertDim) throw std::runtime_error("damaged knot record");
    knot.seifert = SeifertMatrix(n);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) knot.seifert.Set(i, j, in.Int());
    }
    knot.inputLine = in.Text();
    knot.crossingCode = in.Text();
    knot.lineNumber = in.Int();
    knot.notKnotReason = in.Text();
    knot.takenOver = in.Flag();
    knot.storedLine = in.Text();
    knot.redoneRow = in.Text();
    knot.computed = in.Flag();
    in.Slots(knot.textFields);
    in.Slots(knot.texFields);
    knot.lowerBound = in.Int();
    knot.upperBound = in.Int();
    knot.detectedBy = in.Text();
    knot.detectionCodes = in.Text();
    knot.upperCertificate = in.Text();
    knot.lowerCertificate = in.Text();
    knot.nakanishiCertificate = in.Text();
    knot.nakanishiLower = in.Int();
    knot.nakanishiUpper = in.Int();
    knot.signature = in.Int();
    knot.determinant = in.Int();
    in.Raw(&knot.mahlerMeasure, sizeof knot.mahlerMeasure);
    knot.mu = in.Int();
    knot.coversTried = in.Text();
    knot.generatorText = in.Text();
    knot.blanchfieldText = in.Text();
    knot.jsonLine = in.Text();
    if (!in.AtEnd()) throw std::runtime_error("damaged knot record");
}

RecordSpill::~RecordSpill() {
    if (fd_ >= 0) ::close(fd_);
}

bool RecordSpill::Open() {
    std::error_code error;
    const std::filesystem::path dir = std::filesystem::temp_directory_path(error);
    if (error) return false;
    std::string name = (dir / "corvane-knots-XXXXXX").string();
    std::vector<char> path(name.begin(), name.end());
    path.push_back('\0');
    fd_ = ::mkstemp(path.data());
    if (fd_ < 0) return false;
    ::unlink(path.data());
    return true;
}

bool RecordSpill::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done,
                                   static_cast<off_t>(written_ + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // Whatever reached the file stays there; the rest stays in the buffer.
            buffer_.erase(0, done);
            written_ += done;
            failed_ = true;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    written_ += done;
    buffer_.clear();
    return true;
}

bool RecordSpill::Append(std::string_view bytes, uint64_t& offset) {
    if (fd_ < 0 || failed_) return false;
    if (buffer_.size() + bytes.size() > kSpillBuffer && !buffer_.empty() && !Flush()) return false;
    offset = written_ + buffer_.size();
    buffer_ += bytes;
    return true;
}

void RecordSpill::Read(uint64_t offset, uint32_t length, std::string& out) const {
    out.resize(length);
    std::size_t done = 0;
    // The part in the file, then the part still in the buffer.
    while (offset + done < written_ && done < length) {
        const std::size_t want =
            std::min<uint64_t>(length - done, written_ - (offset + done));
        const ssize_t n = ::pread(fd_, out.data() + done, want, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("cannot read back the knots kept on disk");
        done += static_cast<std::size_t>(n);
    }
    if (done < length) {
        const uint64_t at = offset + done - written_;
        if (at + (length - done) > buffer_.size())
            throw std::runtime_error("cannot read back the knots kept on disk");
        std::memcpy(out.data() + done, buffer_.data() + at, length - done);
    }
}

}  // namespace corvane
