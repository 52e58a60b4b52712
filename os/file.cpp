#include "os/file.h"

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

uint64_t TellFile(std::FILE* file) {
#ifdef _WIN32
    return static_cast<uint64_t>(_ftelli64(file));
#else
    return static_cast<uint64_t>(ftello(file));
#endif
}

}  // namespace

InputFile::~InputFile() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
}

bool InputFile::Open(const NativePath& path, size_t bufferSize) {
    file_ = OpenFile(path, false);
    if (file_ == nullptr) {
        return false;
    }
    std::setvbuf(file_, nullptr, _IOFBF, bufferSize);
    if (!SeekFile(file_, 0, SEEK_END)) {
        return false;
    }
    size_ = TellFile(file_);
    position_ = 0;
    return SeekFile(file_, 0, SEEK_SET);
}

size_t InputFile::Read(void* data, size_t size) {
    if (file_ == nullptr || size == 0) {
        return 0;
    }
    size_t n = std::fread(data, 1, size, file_);
    position_ += n;
    return n;
}

bool InputFile::Seek(uint64_t position) {
    if (file_ == nullptr || position > size_ || !SeekFile(file_, position, SEEK_SET)) {
        return false;
    }
    position_ = position;
    return true;
}

OutputFile::~OutputFile() { Close(); }

bool OutputFile::Create(const NativePath& path) {
    file_ = OpenFile(path, true);
    failed_ = file_ == nullptr;
    if (file_ != nullptr) {
        std::setvbuf(file_, nullptr, _IOFBF, kStreamBuffer);
    }
    return file_ != nullptr;
}

bool OutputFile::Write(const void* data, size_t size) {
    if (size == 0) {
        return !failed_;
    }
    if (file_ == nullptr || std::fwrite(data, 1, size, file_) != size) {
        failed_ = true;
    }
    return !failed_;
}

bool OutputFile::Flush() {
    if (file_ == nullptr || std::fflush(file_) != 0) {
        failed_ = true;
    }
    return !failed_;
}

bool OutputFile::Close() {
    if (file_ != nullptr) {
        if (std::fclose(file_) != 0) {
            failed_ = true;
        }
        file_ = nullptr;
    }
    return !failed_;
}

}  // namespace voz::os
