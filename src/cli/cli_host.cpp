#include "cli/cli_host.h"

#include <cstdio>
#include <utility>

namespace corvane {

namespace {

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string Clock(std::chrono::steady_clock::duration d) {
    const long total =
        static_cast<long>(std::chrono::duration_cast<std::chrono::seconds>(d).count());
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                  total % 60);
    return buffer;
}

}  // namespace

CliHost::CliHost(bool quiet, bool progress, std::string inputName)
    : quiet_(quiet),
      progress_(progress && !quiet),
      inputName_(std::move(inputName)),
      start_(std::chrono::steady_clock::now()) {}

void CliHost::LineNoted(int line, std::string_view text) {
    PrintLine(inputName_ + ":" + std::to_string(line) + ": " + std::string(text));
}

void CliHost::DrawText(int /*x*/, int /*y*/, std::string_view text, StatusKind kind) {
    switch (kind) {
        case StatusKind::Blank:
        case StatusKind::Matrix:
            return;
        case StatusKind::Activity:
            activity_ = Trimmed(text);
            if (progress_) DrawProgress();
            return;
        case StatusKind::Heading:
            if (!quiet_) PrintLine(Trimmed(text));
            return;
        case StatusKind::Result:
            if (!quiet_) PrintLine("  " + Trimmed(text));
            return;
        case StatusKind::Final:
            if (const std::string line = Trimmed(text); !line.empty()) PrintLine(line);
            return;
    }
}

void CliHost::KnotStarted(int index, int count, std::string_view name) {
    index_ = index;
    count_ = count;
    name_ = name;
    activity_.clear();
    if (progress_) DrawProgress();
}

void CliHost::EndProgress() {
    if (!progressShown_) return;
    std::fputs("\r\033[K", stderr);
    progressShown_ = false;
}

void CliHost::PrintLine(std::string_view text) {
    EndProgress();
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    if (progress_ && index_ > 0) DrawProgress();
}

void CliHost::DrawProgress() {
    const auto elapsed = std::chrono::steady_clock::now() - start_;
    std::string line = "knot " + std::to_string(index_) + " of " + std::to_string(count_) + "  " +
                       name_ + "  elapsed " + Clock(elapsed);
    if (index_ > 1)
        line += "  about " + Clock(elapsed / (index_ - 1) * (count_ - index_ + 1)) + " to go";
    if (!activity_.empty()) line += "  " + activity_;
    if (line.size() > 150) line.resize(150);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

}  // namespace corvane
