#include "os/line_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>

namespace voz::os {

LineFile::~LineFile() {
    if (IsOpen()) {
        close(static_cast<int>(m_handle));
    }
}

bool LineFile::Open(const NativePath& path, bool emptied) {
    const int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (emptied ? O_TRUNC : 0);
    m_handle = open(path.c_str(), flags, 0644);
    return IsOpen();
}

bool LineFile::Write(std::string_view bytes) {
    return IsOpen() &&
           write(static_cast<int>(m_handle), bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

NativePath TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    NativePath path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
    return path.back() == '/' ? path : path + '/';
}

}  // namespace voz::os
