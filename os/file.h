// Buffered binary files behind the package streams.
#pragma once

#include <cstdio>

#include "os/file_time.h"
#include "os/native_path.h"
#include "os/stream.h"

namespace voz::os {

inline constexpr size_t kStreamBuffer = 1 << 16;
inline constexpr size_t kRecordBuffer = 1 << 12;

class InputFile final : public InputStream {
public:
    InputFile() = default;
    ~InputFile() override;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // bufferSize: bytes read ahead. Large for streaming; small where reads are
    // short and far apart, since each seek refills the buffer.
    bool Open(const NativePath& path, size_t bufferSize = kStreamBuffer);
    bool IsOpen() const { return m_file != nullptr; }
    size_t Read(void* data, size_t size) override;
    bool Seek(uint64_t position) override;
    uint64_t Tell() const override { return m_position; }
    uint64_t Size() const override { return m_size; }

private:
    std::FILE* m_file = nullptr;
    uint64_t m_position = 0;
    uint64_t m_size = 0;
};

class OutputFile final : public OutputStream {
public:
    OutputFile() = default;
    ~OutputFile() override;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the file or truncates an existing one.
    bool Create(const NativePath& path);
    // Creates a file that does not exist yet; false, with `exists` set when
    // something already stands at the path, and nothing touched there.
    bool CreateNew(const NativePath& path, bool& exists);
    bool IsOpen() const { return m_file != nullptr; }
    bool Write(const void* data, size_t size) override;
    // Writes out what is buffered and sets the file's creation, last-access
    // and last-write times (UTC) on the open file, which saves opening it
    // again; nothing may be written afterwards. Where the file system keeps
    // no creation time, that one is left as it is. False when a time is not a
    // valid date or cannot be set, and when the buffered bytes cannot be
    // written (Close then reports that too).
    bool SetTimes(const FileTime& creation, const FileTime& lastAccess, const FileTime& lastWrite);
    // Flushes and closes; false when any write or the close failed.
    bool Close();

private:
    bool Flush();
    bool Adopt(std::FILE* file);

    std::FILE* m_file = nullptr;
    bool m_failed = false;
};

}  // namespace voz::os
