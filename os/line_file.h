// A log file written a whole line at a time, so that a process killed at any
// moment leaves every line before it readable: each Write goes to the system
// as one write at the file's end, nothing is held back in a buffer, and other
// programs (a second writer too) may open the file meanwhile.
#pragma once

#include <cstdint>
#include <string_view>

#include "os/native_path.h"

namespace voz::os {

class LineFile {
public:
    LineFile() = default;
    ~LineFile();
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;

    // Opens the file for writing at its end; `emptied` empties an existing
    // file first, otherwise the lines follow what it holds.
    bool Open(const NativePath& path, bool emptied);
    bool IsOpen() const { return m_handle != kClosed; }
    // Appends the bytes in one write; false when the system took fewer.
    bool Write(std::string_view bytes);

private:
    static constexpr intptr_t kClosed = -1;
    intptr_t m_handle = kClosed;
};

// The user's folder for temporary files, ending in a separator.
NativePath TemporaryFolder();

}  // namespace voz::os
