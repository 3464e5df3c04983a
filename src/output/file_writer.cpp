#include "output/file_writer.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <memory>
#include <system_error>
#include <utility>

namespace corvane {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

std::string Failure(const std::filesystem::path& path, const std::string& reason) {
    return "cannot write " + path.string() + ": " + reason;
}

std::string Reason(int error) {
    return std::generic_category().message(error);
}

// errno of the call that just failed; a failure that left errno at 0 counts as an input/output
// error, so that no failure goes without a reason.
int LastError() {
    return errno != 0 ? errno : EIO;
}

// A name in `folder` that no other write of this process uses at the same time. Another
// process may still hold it; exclusive creation detects that and the caller tries again.
std::filesystem::path TemporaryName(const std::filesystem::path& folder) {
    static std::atomic<unsigned long> counter{0};
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return folder /
           (".corvane-" + std::to_string(ticks) + "-" + std::to_string(counter++) + ".tmp");
}

struct TemporaryFile {
    std::filesystem::path path;
    FileHandle file;
    int error = 0;  // errno of the failed creation when file is null
};

// Creates a new, empty temporary file in `folder`; never opens an existing file.
TemporaryFile CreateTemporary(const std::filesystem::path& folder) {
    constexpr int kAttempts = 100;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::filesystem::path path = TemporaryName(folder);
        errno = 0;
        FileHandle file(std::fopen(path.c_str(), "wbx"));
        if (file) return {std::move(path), std::move(file), 0};
        if (errno != EEXIST) return {{}, nullptr, LastError()};
    }
    return {{}, nullptr, EEXIST};
}

// Writes the pieces `produce` gives, flushes and closes the file, which is closed either way.
// Returns 0, or the error of the first step that failed (the pieces after a failed one are
// dropped).
int WriteFlushClose(FileHandle file, const std::function<void(const ChunkWriter&)>& produce) {
    std::FILE* const raw = file.release();
    int error = 0;
    produce([raw, &error](std::string_view piece) {
        if (error != 0 || piece.empty()) return;
        errno = 0;
        if (std::fwrite(piece.data(), 1, piece.size(), raw) != piece.size()) error = LastError();
    });
    errno = 0;
    if (error == 0 && std::fflush(raw) != 0) error = LastError();
    errno = 0;
    if (std::fclose(raw) != 0 && error == 0) error = LastError();
    return error;
}

}  // namespace

WriteStatus WriteFileAtomically(const std::filesystem::path& path, std::string_view contents) {
    return WriteFileAtomically(path, [contents](const ChunkWriter& write) { write(contents); });
}

WriteStatus WriteFileAtomically(const std::filesystem::path& path,
                                const std::function<void(const ChunkWriter&)>& produce) {
    TemporaryFile temporary = CreateTemporary(path.parent_path());
    if (!temporary.file) return {false, Failure(path, Reason(temporary.error))};

    std::error_code ignored;
    const int error = WriteFlushClose(std::move(temporary.file), produce);
    if (error != 0) {
        std::filesystem::remove(temporary.path, ignored);
        return {false, Failure(path, Reason(error))};
    }
    std::error_code renameError;
    std::filesystem::rename(temporary.path, path, renameError);
    if (renameError) {
        std::filesystem::remove(temporary.path, ignored);
        return {false, Failure(path, renameError.message())};
    }
    return {};
}

}  // namespace corvane
