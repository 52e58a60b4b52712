// The headers of a PE program file, the one home of their offsets: the
// uninstaller finds where its own image ends by them, and the packing tool
// tells which program it packs and where a setup's signature sits.
#pragma once

#include <cstdint>
#include <optional>

#include "package/byte_stream.h"

namespace voz {

inline constexpr uint16_t kPe32Magic = 0x10B;      // optional header of a 32-bit program
inline constexpr uint16_t kPe32PlusMagic = 0x20B;  // of a 64-bit one
inline constexpr uint16_t kMachineI386 = 0x14C;
inline constexpr uint16_t kMachineAmd64 = 0x8664;
// The data directory of the certificate table, which a signature appends.
inline constexpr uint32_t kSecurityDirectory = 4;
// A section header: its raw data's size at 16, its file offset at 20.
inline constexpr uint32_t kSectionHeaderSize = 40;

struct PeHeaders {
    uint16_t machine = 0;
    uint16_t sections = 0;
    uint64_t optional = 0;  // where the optional header starts
    uint16_t optionalSize = 0;
    uint16_t magic = 0;  // kPe32Magic, kPe32PlusMagic, or another the file's maker chose

    // The offsets of fields the tools read or leave out of a digest.
    uint64_t ChecksumAt() const { return optional + 64; }
    uint64_t DirectoryCountAt() const { return optional + (magic == kPe32PlusMagic ? 108 : 92); }
    // A data directory entry: u32 address (a file offset for the certificate table), u32 size.
    uint64_t DirectoryAt(uint32_t index) const { return DirectoryCountAt() + 4 + uint64_t{8} * index; }
    uint64_t SectionAt(uint32_t index) const { return optional + optionalSize + uint64_t{kSectionHeaderSize} * index; }
};

// The DOS header's "MZ", its pointer to "PE\0\0", the COFF header and the
// optional header's magic; nothing when the file does not hold them.
std::optional<PeHeaders> ReadPeHeaders(InputStream& program);

// Reads size bytes at position; false when the stream ends first.
bool ReadAt(InputStream& in, uint64_t position, void* data, size_t size);

}  // namespace voz
