#include "packer/terminal_progress.h"

#include <cstdio>

#include "os/console.h"
#include "packer/console_text.h"

namespace voz {

TerminalProgress::TerminalProgress(std::string label)
    : m_label(std::move(label)), m_enabled(os::IsTerminal(os::Stream::kError)) {}

TerminalProgress::~TerminalProgress() {
    if (m_enabled && m_lastPercent >= 0) {
        PrintError("\n");
    }
}

void TerminalProgress::Update(uint64_t done, uint64_t total) {
    if (!m_enabled) {
        return;
    }
    int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    if (percent == m_lastPercent) {
        return;
    }
    m_lastPercent = percent;
    constexpr int kWidth = 40;
    int filled = percent * kWidth / 100;
    // A carriage return redraws the line, in a terminal as in a Windows console.
    PrintError("\r%s [%.*s%*s] %3d%%", m_label.c_str(), filled, "########################################",
               kWidth - filled, "", percent);
    std::fflush(stderr);
}

}  // namespace voz
