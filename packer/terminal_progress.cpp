#include "packer/terminal_progress.h"

#include <unistd.h>

#include <cstdio>

namespace voz {

TerminalProgress::TerminalProgress(std::string label) : label_(std::move(label)), enabled_(isatty(STDERR_FILENO) == 1) {}

TerminalProgress::~TerminalProgress() {
    if (enabled_ && lastPercent_ >= 0) {
        std::fputc('\n', stderr);
    }
}

void TerminalProgress::Update(uint64_t done, uint64_t total) {
    if (!enabled_) {
        return;
    }
    int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == lastPercent_) {
        return;
    }
    lastPercent_ = percent;
    constexpr int kWidth = 40;
    int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled, "########################################",
                 kWidth - filled, "", percent);
    std::fflush(stderr);
}

}  // namespace voz
