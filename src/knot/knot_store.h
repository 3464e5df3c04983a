// Knot records kept outside memory: a record is encoded as a compact byte string and appended to
// a scratch file of the run, from which it is read back when the run needs it again. A list of
// millions of knots then costs memory only for the knots being computed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "knot/knot_record.h"

namespace corvane {

// The record as bytes: every field, in a fixed order, integers as variable-length numbers. Exact:
// DecodeRecord(EncodeRecord(r)) == r.
void EncodeRecord(const KnotRecord& knot, std::string& out);
// The record that EncodeRecord wrote. Throws std::runtime_error on bytes it did not write.
void DecodeRecord(std::string_view bytes, KnotRecord& knot);

// An append-only scratch file, created in the temporary directory (TMPDIR) and removed from the
// directory at once, so that it vanishes with the process however the run ends. Appends are
// buffered; what the buffer holds is read from memory.
class RecordSpill {
  public:
    RecordSpill() = default;
    RecordSpill(const RecordSpill&) = delete;
    RecordSpill& operator=(const RecordSpill&) = delete;
    ~RecordSpill();

    // False when no scratch file can be created.
    bool Open();
    // Appends the bytes and sets `offset` to where they start. False, with nothing appended, once
    // the file cannot be written (a full disk): what was appended before stays readable.
    bool Append(std::string_view bytes, uint64_t& offset);
    // The `length` bytes at `offset`, as appended. Throws std::runtime_error when the file cannot
    // be read back.
    void Read(uint64_t offset, uint32_t length, std::string& out) const;

  private:
    bool Flush();

    int fd_ = -1;
    bool failed_ = false;
    uint64_t written_ = 0;  // bytes in the file; the buffer's bytes follow them
    std::string buffer_;
};

}  // namespace corvane
