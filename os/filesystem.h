// Folder and file operations of the installation: folders, file times,
// copies, renames, folder listing and deletion, files in use and free space.
// Links are never followed: a link found while listing is reported as a file
// and deleting it removes the link only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "os/native_path.h"
#include "os/file_time.h"

namespace voz::os {

// Creates one folder (its parent must exist). True when the path is a folder
// afterwards, whether it was made now or existed before.
bool CreateFolder(const NativePath& path);

// True for a folder or a link to one.
bool IsFolder(const NativePath& path);
// True for a symbolic link, junction or other reparse point.
bool IsLink(const NativePath& path);

// Reads a file's creation, last-access and last-write times in UTC, to the
// millisecond. Where the file system keeps no creation time, the last-write
// time stands in for it. False when the file cannot be examined.
bool GetFileTimes(const NativePath& path, FileTime& creation, FileTime& lastAccess, FileTime& lastWrite);

// Copies a file's bytes and last-write time to `to`, replacing an existing file.
bool CopyFileReplacing(const NativePath& from, const NativePath& to);

// Renames a file within its volume, replacing a file that stands at `to`.
bool MoveFileReplacing(const NativePath& from, const NativePath& to);

// The size of a file; nothing for a folder or a path where nothing is.
std::optional<uint64_t> FileSize(const NativePath& path);

// True when another program holds the file so that it cannot be replaced:
// on Windows a write open without sharing fails with a sharing or lock
// violation (a running program, a file held open by the client); on POSIX
// another open file holds a lock on it.
bool IsFileInUse(const NativePath& path);

struct DiskSpace {
    uint64_t freeBytes = 0;     // what this user may still write
    uint32_t clusterBytes = 0;  // the unit a file's size is rounded up to on the disk
};
// The space of the volume that holds `folder`, an existing folder.
bool GetDiskSpace(const NativePath& folder, DiskSpace& space);

struct FolderEntry {
    NativePath name;
    bool isFolder;  // a real folder, not a link to one
};

// The entries of a folder, "." and ".." left out, hidden ones included.
bool ListFolder(const NativePath& path, std::vector<FolderEntry>& entries);

// Deletes a file or a link. A read-only file is refused, as on Windows: on
// POSIX a file without write permission for its owner counts as read-only.
bool RemoveFile(const NativePath& path);
// Removes an empty folder.
bool RemoveEmptyFolder(const NativePath& path);

// The system's code (errno, or a Windows error) and description of the last
// failed operation on this thread: to be read right after the call that
// failed, before any other call.
uint32_t LastErrorCode();
std::string LastErrorText();
// The system's description of an error code (errno, or a Windows error or status code).
std::string ErrorText(uint32_t code);

}  // namespace voz::os
