#include "packer/terminal_progress.h"

#include <cstdio>

#include "os/console.h"
#include "packer/console_text.h"

namespace voz {

TerminalProgress::TerminalProgress(std::string label)
    : label_(std::move(label)), enabled_(os::IsTerminal(os::Stream::kError)) {}

TerminalProgress::~TerminalProgress() {
    if (enabled_ && lastPercent_ >= 0) {
        PrintError("\n");
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
    // A carriage return redraws the line, in a terminal as in a Windows console.
    PrintError("\r%s [%.*s%*s] %3d%%", label_.c_str(), filled, "########################################",
               kWidth - filled, "", percent);
    std::fflush(stderr);
}

}  // namespace voz
