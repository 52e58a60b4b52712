#include "package/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace voz {

size_t MemoryInput::Read(void* data, size_t size) {
    size_t n = std::min(size, m_size - m_position);
    if (n != 0) {
        std::memcpy(data, m_data + m_position, n);
    }
    m_position += n;
    return n;
}

bool MemoryInput::Seek(uint64_t position) {
    if (position > m_size) {
        return false;
    }
    m_position = static_cast<size_t>(position);
    return true;
}

bool MemoryOutput::Write(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    m_bytes.insert(m_bytes.end(), bytes, bytes + size);
    return true;
}

}  // namespace voz
