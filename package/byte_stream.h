// Byte streams in memory, for the package code's tests, fuzzers and tools;
// the OS layer implements the same interfaces over files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "os/stream.h"

namespace voz {

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
