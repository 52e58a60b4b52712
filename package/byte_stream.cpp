#include "package/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace voz {

size_t MemoryInput::Read(void* data, size_t size) {
    size_t n = std::min(size, size_ - position_);
    if (n != 0) {
        std::memcpy(data, data_ + position_, n);
    }
    position_ += n;
    return n;
}

bool MemoryInput::Seek(uint64_t position) {
    if (position > size_) {
        return false;
    }
    position_ = static_cast<size_t>(position);
    return true;
}

bool MemoryOutput::Write(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), bytes, bytes + size);
    return true;
}

}  // namespace voz
