#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "os/replace_file.h"

namespace voz::os {

namespace {

constexpr char kTempSuffix[] = ".setup-tmp";

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// A rename is only durable once the folder that records it is on the disk too.
void SyncFolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

bool ReplaceFileContents(const NativePath& path, std::string_view bytes) {
    const std::string temp = path + kTempSuffix;
    // A temporary file left behind by an earlier crash is stale; O_EXCL then
    // makes sure the bytes go into a fresh file and not through a link.
    unlink(temp.c_str());
    int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = WriteAll(fd, bytes);
    struct stat old {};
    if (ok && stat(path.c_str(), &old) == 0) {
        ok = fchmod(fd, old.st_mode & 07777) == 0;  // the replaced file keeps its permissions
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        unlink(temp.c_str());
        return false;
    }
    SyncFolderOf(path);
    return true;
}

}  // namespace voz::os
