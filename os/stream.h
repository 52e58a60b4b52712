// The byte streams the package code reads from and writes to: the OS layer
// implements them over files, the package code in memory.
#pragma once

#include <cstddef>
#include <cstdint>

namespace voz {

class InputStream {
public:
    virtual ~InputStream() = default;
    // Reads up to size bytes; returns how many were read (fewer only at the end or on error).
    virtual size_t Read(void* data, size_t size) = 0;
    // Moves to an absolute position; returns false when the position lies beyond the end.
    virtual bool Seek(uint64_t position) = 0;
    virtual uint64_t Tell() const = 0;
    virtual uint64_t Size() const = 0;

    bool ReadExact(void* data, size_t size) { return Read(data, size) == size; }
};

class OutputStream {
public:
    virtual ~OutputStream() = default;
    virtual bool Write(const void* data, size_t size) = 0;
};

}  // namespace voz
