#include "os/file.h"

#include <fcntl.h>

#include <cerrno>
#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#else
#include <unistd.h>
#endif

namespace voz::os {

namespace {

std::FILE* OpenFile(const NativePath& path, bool forWriting) {
#ifdef _WIN32
    return _wfopen(path.c_str(), forWriting ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), forWriting ? "wb" : "rb");
#endif
}

bool SeekFile(std::FILE* file, uint64_t position, int origin) {
#ifdef _WIN32
    return _fseeki64(file, static_cast<long long>(position), origin) == 0;
#else
    return fseeko(file, static_cast<off_t>(position), origin) == 0;
#endif
}

// Opens a new file for writing; null, with errno EEXIST when something is
// already at the path.
std::FILE* OpenNewFile(const NativePath& path) {
#ifdef _WIN32
    const int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "wb");
    if (fd >= 0 && file == nullptr) {
        _close(fd);
    }
#else
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    std::FILE* file = fd < 0 ? nullptr : fdopen(fd, "wb");
    if (fd >= 0 && file == nullptr) {
        close(fd);
    }
#endif
    return file;
}

uint64_t TellFile(std::FILE* file) {
#ifdef _WIN32
    return static_cast<uint64_t>(_ftelli64(file));
#else
    return static_cast<uint64_t>(ftello(file));
#endif
}

}  // namespace

InputFile::~InputFile() {
    if (m_file != nullptr) {
        std::fclose(m_file);
    }
}

bool InputFile::Open(const NativePath& path, size_t bufferSize) {
    m_file = OpenFile(path, false);
    if (m_file == nullptr) {
        return false;
    }
    std::setvbuf(m_file, nullptr, _IOFBF, bufferSize);
    if (!SeekFile(m_file, 0, SEEK_END)) {
        return false;
    }
    m_size = TellFile(m_file);
    m_position = 0;
    return SeekFile(m_file, 0, SEEK_SET);
}

size_t InputFile::Read(void* data, size_t size) {
    if (m_file == nullptr || size == 0) {
        return 0;
    }
    size_t n = std::fread(data, 1, size, m_file);
    m_position += n;
    return n;
}

bool InputFile::Seek(uint64_t position) {
    if (m_file == nullptr || position > m_size || !SeekFile(m_file, position, SEEK_SET)) {
        return false;
    }
    m_position = position;
    return true;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const NativePath& path) { return Adopt(OpenFile(path, true)); }

bool OutputFile::CreateNew(const NativePath& path, bool& exists) {
    errno = 0;
    const bool created = Adopt(OpenNewFile(path));
    exists = !created && errno == EEXIST;
    return created;
}

bool OutputFile::Adopt(std::FILE* file) {
    m_file = file;
    m_failed = m_file == nullptr;
    if (m_file != nullptr) {
        std::setvbuf(m_file, nullptr, _IOFBF, kStreamBuffer);
    }
    return m_file != nullptr;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (size == 0) {
        return !m_failed;
    }
    if (m_file == nullptr || std::fwrite(data, 1, size, m_file) != size) {
        m_failed = true;
    }
    return !m_failed;
}

bool OutputFile::Flush() {
    if (m_file == nullptr || std::fflush(m_file) != 0) {
        m_failed = true;
    }
    return !m_failed;
}

bool OutputFile::Close() {
    if (m_file != nullptr) {
        if (std::fclose(m_file) != 0) {
            m_failed = true;
        }
        m_file = nullptr;
    }
    return !m_failed;
}

}  // namespace voz::os
