// Writing a results file whole: the text goes to a temporary file in the target's folder, which
// is then renamed into place, so a reader never sees a half-written file and a failed write
// leaves the previous file as it was.
#pragma once

#include <filesystem>
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

}  // namespace corvane
