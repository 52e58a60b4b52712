#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "os/file.h"
#include "os/filesystem.h"
#include "os/text_encoding.h"

namespace voz::os {

namespace {

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Accepts exactly the dates that Windows turns into file times (day of week ignored).
bool ToTimespec(const FileTime& t, timespec& out) {
    static const int kDaysInMonth[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1601 || t.wYear > 30827 || t.wMonth < 1 || t.wMonth > 12 || t.wHour > 23 || t.wMinute > 59 ||
        t.wSecond > 59 || t.wMilliseconds > 999) {
        return false;
    }
    int days = kDaysInMonth[t.wMonth - 1] + (t.wMonth == 2 && IsLeapYear(t.wYear) ? 1 : 0);
    if (t.wDay < 1 || t.wDay > days) {
        return false;
    }
    std::tm tm{};
    tm.tm_year = t.wYear - 1900;
    tm.tm_mon = t.wMonth - 1;
    tm.tm_mday = t.wDay;
    tm.tm_hour = t.wHour;
    tm.tm_min = t.wMinute;
    tm.tm_sec = t.wSecond;
    errno = 0;
    time_t seconds = timegm(&tm);
    if (seconds == static_cast<time_t>(-1) && errno != 0) {
        return false;
    }
    out.tv_sec = seconds;
    out.tv_nsec = static_cast<long>(t.wMilliseconds) * 1000000;
    return true;
}

FileTime ToRecordedTime(int64_t seconds, uint32_t nanoseconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    FileTime p{};
    p.wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    p.wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    p.wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    p.wDay = static_cast<uint16_t>(tm.tm_mday);
    p.wHour = static_cast<uint16_t>(tm.tm_hour);
    p.wMinute = static_cast<uint16_t>(tm.tm_min);
    p.wSecond = static_cast<uint16_t>(tm.tm_sec);
    p.wMilliseconds = static_cast<uint16_t>(nanoseconds / 1000000);
    return p;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) {
            int saved = errno;
            close(fd);
            errno = saved;
        }
    }
};

}  // namespace

bool CreateFolder(const NativePath& path) {
    if (mkdir(path.c_str(), 0755) == 0) {
        return true;
    }
    int error = errno;
    if (IsFolder(path)) {
        return true;
    }
    errno = error;
    return false;
}

bool IsFolder(const NativePath& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsLink(const NativePath& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool OutputFile::SetTimes(const FileTime& /*creation*/, const FileTime& lastAccess, const FileTime& lastWrite) {
    // POSIX offers no way to set a file's birth time; access and modification times are set.
    timespec times[2];
    if (!ToTimespec(lastAccess, times[0]) || !ToTimespec(lastWrite, times[1])) {
        errno = EINVAL;
        return false;
    }
    return Flush() && futimens(fileno(m_file), times) == 0;
}

bool GetFileTimes(const NativePath& path, FileTime& creation, FileTime& lastAccess, FileTime& lastWrite) {
    struct statx sx {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0) {
        return false;
    }
    lastAccess = ToRecordedTime(sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec);
    lastWrite = ToRecordedTime(sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec);
    creation = (sx.stx_mask & STATX_BTIME) != 0 ? ToRecordedTime(sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec) : lastWrite;
    return true;
}

bool CopyFileReplacing(const NativePath& from, const NativePath& to) {
    FdCloser in{open(from.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat st {};
    if (in.fd < 0 || fstat(in.fd, &st) != 0) {
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    FdCloser out{open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777)};
    if (out.fd < 0) {
        return false;
    }
    constexpr size_t kChunk = 1 << 16;
    auto buffer = std::make_unique<char[]>(kChunk);
    for (;;) {
        ssize_t n = read(in.fd, buffer.get(), kChunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            break;
        }
        for (ssize_t done = 0; done < n;) {
            ssize_t w = write(out.fd, buffer.get() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            done += w;
        }
    }
    // Like a copy on Windows: the copy keeps the source's last-write time.
    timespec times[2] = {{0, UTIME_NOW}, st.st_mtim};
    if (futimens(out.fd, times) != 0) {
        return false;
    }
    int fd = out.fd;
    out.fd = -1;
    return close(fd) == 0;
}

bool MoveFileReplacing(const NativePath& from, const NativePath& to) { return rename(from.c_str(), to.c_str()) == 0; }

std::optional<uint64_t> FileSize(const NativePath& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return std::nullopt;
    }
    return static_cast<uint64_t>(st.st_size);
}

bool IsFileInUse(const NativePath& path) {
    FdCloser file{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    // An open file description's own locks never conflict with a query made
    // through it, so any lock reported belongs to another opening.
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    return file.fd >= 0 && fcntl(file.fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

bool GetDiskSpace(const NativePath& folder, DiskSpace& space) {
    struct statvfs volume {};
    if (statvfs(folder.c_str(), &volume) != 0) {
        return false;
    }
    space.freeBytes = static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
    space.clusterBytes = static_cast<uint32_t>(volume.f_bsize);
    return true;
}

bool ListFolder(const NativePath& path, std::vector<FolderEntry>& entries) {
    entries.clear();
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) {
        return false;
    }
    for (;;) {
        errno = 0;
        dirent* entry = readdir(dir);
        if (entry == nullptr) {
            break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        bool isFolder = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
            struct stat st {};
            isFolder = fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back({entry->d_name, isFolder});
    }
    int error = errno;
    closedir(dir);
    errno = error;
    return error == 0;
}

bool RemoveFile(const NativePath& path) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return false;
    }
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
        errno = EACCES;
        return false;
    }
    return unlink(path.c_str()) == 0;
}

bool RemoveEmptyFolder(const NativePath& path) { return rmdir(path.c_str()) == 0; }

uint32_t LastErrorCode() { return static_cast<uint32_t>(errno); }

std::string LastErrorText() { return ErrorText(LastErrorCode()); }

std::string ErrorText(uint32_t code) { return std::strerror(static_cast<int>(code)); }

}  // namespace voz::os
