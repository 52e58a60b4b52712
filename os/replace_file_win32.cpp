#include <windows.h>

#include <string>

#include "os/replace_file.h"

namespace voz::os {

namespace {

constexpr wchar_t kTempSuffix[] = L".setup-tmp";
constexpr size_t kWriteChunk = 1 << 20;

}  // namespace

bool ReplaceFileContents(const NativePath& path, std::string_view bytes) {
    const std::wstring temp = path + kTempSuffix;
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = true;
    while (ok && !bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(bytes.size() < kWriteChunk ? bytes.size() : kWriteChunk);
        DWORD written = 0;
        ok = WriteFile(file, bytes.data(), chunk, &written, nullptr) && written == chunk;
        bytes.remove_prefix(written);
    }
    ok = ok && FlushFileBuffers(file);
    ok = CloseHandle(file) && ok;
    // A plain rename does not replace an existing file on Windows; MoveFileExW does,
    // and with MOVEFILE_WRITE_THROUGH returns only once the move is on the disk.
    ok = ok && MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!ok) {
        DeleteFileW(temp.c_str());
    }
    return ok;
}

}  // namespace voz::os
