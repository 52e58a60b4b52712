// Byte streams the package code reads from and writes to. The OS layer
// implements them over files; tests and fuzzers use the memory versions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

class MemoryInput final : public InputStream {
public:
    MemoryInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    size_t Read(void* data, size_t size) override;
    bool Seek(uint64_t position) override;
    uint64_t Tell() const override { return position_; }
    uint64_t Size() const override { return size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

class MemoryOutput final : public OutputStream {
public:
    bool Write(const void* data, size_t size) override;
    std::vector<uint8_t>& Bytes() { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

}  // namespace voz
