#include "os/line_file.h"

#include <windows.h>

namespace voz::os {

LineFile::~LineFile() {
    if (IsOpen()) {
        CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    }
}

bool LineFile::Open(const NativePath& path, bool emptied) {
    // Append access alone: every write lands at the end, also between
    // another process's writes to the same file.
    HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, emptied ? CREATE_ALWAYS : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    m_handle = reinterpret_cast<intptr_t>(file);  // INVALID_HANDLE_VALUE is kClosed
    return IsOpen();
}

bool LineFile::Write(std::string_view bytes) {
    DWORD written = 0;
    return IsOpen() &&
           WriteFile(reinterpret_cast<HANDLE>(m_handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

NativePath TemporaryFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    return NativePath(folder, GetTempPathW(MAX_PATH + 1, folder));
}

}  // namespace voz::os
