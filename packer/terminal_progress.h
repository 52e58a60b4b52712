#pragma once

#include <cstdint>
#include <string>

namespace voz {

// A one-line progress bar on standard error, drawn only when it is a terminal or console.
class TerminalProgress {
public:
    explicit TerminalProgress(std::string label);
    ~TerminalProgress();
    void Update(uint64_t done, uint64_t total);

private:
    std::string m_label;
    bool m_enabled;
    int m_lastPercent = -1;
};

}  // namespace voz
