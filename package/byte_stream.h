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
    MemoryInput(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    size_t Read(void* data, size_t size) override;
    bool Seek(uint64_t position) override;
    uint64_t Tell() const override { return m_position; }
    uint64_t Size() const override { return m_size; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

class MemoryOutput final : public OutputStream {
public:
    bool Write(const void* data, size_t size) override;
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

}  // namespace voz
