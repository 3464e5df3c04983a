#include "shell/window_host.h"

namespace corvane {

void WindowHost::DrawText(int x, int y, std::string_view text, StatusKind /*kind*/) {
    image_.Enqueue(x, y, text);
}

void WindowHost::KnotStarted(int index, int count, std::string_view name) {
    emit knotStarted(index, count,
                     QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace corvane
