// Writing a results file whole: the text goes to a temporary file in the target's folder, which
// is then renamed into place, so a reader never sees a half-written file and a failed write
// leaves the previous file as it was.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace corvane {

// Outcome of writing a file. A failure is reported, never silent.
struct WriteStatus {
    bool ok = true;
    std::string error;  // when !ok: names the file and says why it could not be written
};

// Makes `path` a file holding exactly the bytes of `contents` (no line-end or locale
// translation). The bytes are written to a fresh temporary file in the folder of `path`; every
// step (create, write, flush, close) is checked, and only a complete temporary file is renamed
// over `path`. On failure the temporary file is removed, `path` keeps its previous contents (or
// stays absent), and the status names `path` and the reason.
WriteStatus WriteFileAtomically(const std::filesystem::path& path, std::string_view contents);

// Receives the pieces of a file's contents in order.
using ChunkWriter = std::function<void(std::string_view)>;

// WriteFileAtomically with the contents produced piece by piece: `produce` hands every piece to
// the writer it is given, so that a file of any size is written without being held in memory.
WriteStatus WriteFileAtomically(const std::filesystem::path& path,
                                const std::function<void(const ChunkWriter&)>& produce);

}  // namespace corvane
