#include <windows.h>

#include <io.h>

#include <cstring>

#include "os/file.h"
#include "os/filesystem.h"
#include "os/text_encoding.h"

namespace voz::os {

namespace {

static_assert(sizeof(SYSTEMTIME) == sizeof(FileTime), "file times have the SYSTEMTIME layout");

bool ToFileTime(const FileTime& time, FILETIME& out) {
    SYSTEMTIME st;
    std::memcpy(&st, &time, sizeof st);
    return SystemTimeToFileTime(&st, &out) != FALSE;
}

FileTime ToRecordedTime(const FILETIME& time) {
    SYSTEMTIME st{};
    FileTimeToSystemTime(&time, &st);
    FileTime out;
    std::memcpy(&out, &st, sizeof out);
    return out;
}

DWORD Attributes(const NativePath& path) { return GetFileAttributesW(path.c_str()); }

}  // namespace

bool CreateFolder(const NativePath& path) {
    if (CreateDirectoryW(path.c_str(), nullptr)) {
        return true;
    }
    DWORD error = GetLastError();
    if (IsFolder(path)) {
        return true;
    }
    SetLastError(error);
    return false;
}

bool IsFolder(const NativePath& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLink(const NativePath& path) {
    DWORD attributes = Attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool OutputFile::SetTimes(const FileTime& creation, const FileTime& lastAccess, const FileTime& lastWrite) {
    FILETIME times[3];
    if (!ToFileTime(creation, times[0]) || !ToFileTime(lastAccess, times[1]) || !ToFileTime(lastWrite, times[2])) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // Once a time is set on a handle, the file system no longer moves it for
    // writes through that handle or at its close.
    if (!Flush()) {
        return false;
    }
    auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(m_file)));
    return SetFileTime(handle, &times[0], &times[1], &times[2]) != FALSE;
}

bool GetFileTimes(const NativePath& path, FileTime& creation, FileTime& lastAccess, FileTime& lastWrite) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return false;
    }
    lastAccess = ToRecordedTime(data.ftLastAccessTime);
    lastWrite = ToRecordedTime(data.ftLastWriteTime);
    // A file system without creation times reports zero.
    const FILETIME& created = data.ftCreationTime;
    creation = created.dwLowDateTime == 0 && created.dwHighDateTime == 0 ? lastWrite : ToRecordedTime(created);
    return true;
}

bool CopyFileReplacing(const NativePath& from, const NativePath& to) {
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool MoveFileReplacing(const NativePath& from, const NativePath& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::optional<uint64_t> FileSize(const NativePath& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return std::nullopt;
    }
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

bool IsFileInUse(const NativePath& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return false;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

bool GetDiskSpace(const NativePath& folder, DiskSpace& space) {
    ULARGE_INTEGER available;
    wchar_t volume[MAX_PATH + 1];
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr) ||
        !GetVolumePathNameW(folder.c_str(), volume, MAX_PATH + 1) ||
        !GetDiskFreeSpaceW(volume, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
        return false;
    }
    space.freeBytes = available.QuadPart;
    space.clusterBytes = sectorsPerCluster * bytesPerSector;
    return true;
}

bool ListFolder(const NativePath& path, std::vector<FolderEntry>& entries) {
    entries.clear();
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        if (std::wcscmp(data.cFileName, L".") == 0 || std::wcscmp(data.cFileName, L"..") == 0) {
            continue;
        }
        // A junction or folder link is removed as a link, never entered.
        bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        entries.push_back({data.cFileName, isFolder});
    } while (FindNextFileW(find, &data));
    DWORD error = GetLastError();
    FindClose(find);
    SetLastError(error);
    return error == ERROR_NO_MORE_FILES;
}

bool RemoveFile(const NativePath& path) {
    DWORD attributes = Attributes(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A link to a folder: removing it leaves the folder it points at alone.
        return RemoveDirectoryW(path.c_str()) != FALSE;
    }
    return DeleteFileW(path.c_str()) != FALSE;
}

bool RemoveEmptyFolder(const NativePath& path) { return RemoveDirectoryW(path.c_str()) != FALSE; }

uint32_t LastErrorCode() { return GetLastError(); }

std::string LastErrorText() { return ErrorText(GetLastError()); }

std::string ErrorText(uint32_t error) {
    wchar_t* text = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", n);
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
        message.pop_back();
    }
    auto gbk = WideToGbk(message);
    return gbk && !gbk->empty() ? *gbk : "error " + std::to_string(error);
}

}  // namespace voz::os
