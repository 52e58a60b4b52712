#include "package/block_decoder.h"

#include <bit>
#include <cstring>

#include "package/package_format.h"
#include "package/wire.h"

namespace voz {

namespace {

// Room after the window for copies that move 16 bytes at a time.
constexpr uint32_t kWindowSlack = 64;

uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::little) {
        v = __builtin_bswap64(v);
    }
    return v;
}

// Bits are kept left-aligned in a 64-bit register. Past the end of the payload
// the register fills with zero bits; whether more bits were taken than the
// payload holds is checked once the block is complete.
class BitReader {
public:
    BitReader(const uint8_t* data, uint32_t size) : m_data(data), m_size(size) {}

    // Ensures at least 56 bits are in the register.
    void Refill() {
        if (m_next + 8 <= m_size) {
            m_bits |= LoadBigEndian64(m_data + m_next) >> m_count;
            uint32_t bytes = (63 - m_count) >> 3;
            m_next += bytes;
            m_count += bytes * 8;
            return;
        }
        while (m_count <= 56) {
            uint64_t byte = m_next < m_size ? m_data[m_next] : 0;
            m_bits |= byte << (56 - m_count);
            ++m_next;
            m_count += 8;
        }
    }

    uint64_t Peek() const { return m_bits; }
    uint32_t Available() const { return m_count; }

    void Skip(uint32_t n) {
        m_bits <<= n;
        m_count -= n;
    }

    // Takes n bits (0 to 32) as a big-endian number. Two shifts instead of a
    // shift by 64 - n: taking no bits needs no branch.
    uint32_t Take(uint32_t n) {
        auto v = static_cast<uint32_t>((m_bits >> 1) >> (63 - n));
        Skip(n);
        return v;
    }

    bool Overran() const { return uint64_t{m_next} * 8 - m_count > uint64_t{m_size} * 8; }

private:
    const uint8_t* m_data;
    uint32_t m_size;
    uint32_t m_next = 0;  // next byte to load into the register
    uint64_t m_bits = 0;
    uint32_t m_count = 0;
};

// Copies a match of length bytes from window position `from` to `to` (from < to),
// with the byte-by-byte result even when source and destination overlap. May
// write up to 15 bytes past to + length, which lands in the window's slack or
// in bytes the block has not produced yet.
inline void CopyMatch(uint8_t* window, uint32_t from, uint32_t to, uint32_t length) {
    uint8_t* dst = window + to;
    const uint8_t* src = window + from;
    uint32_t distance = to - from;
    if (distance >= 16) {
        for (uint32_t j = 0; j < length; j += 16) {
            std::memcpy(dst + j, src + j, 16);
        }
    } else if (distance >= 8) {
        for (uint32_t j = 0; j < length; j += 8) {
            std::memcpy(dst + j, src + j, 8);
        }
    } else if (distance == 1) {
        std::memset(dst, *src, length);
    } else {
        // A short period: the first 8 bytes one at a time, then 8 bytes at a
        // time from a whole number of periods back, which the previous step
        // has already written.
        for (uint32_t j = 0; j < 8; ++j) {
            dst[j] = src[j];
        }
        uint32_t step = distance * (8 / distance);
        for (uint32_t j = step; j < length; j += step) {
            uint64_t chunk;
            std::memcpy(&chunk, dst + j - step, 8);
            std::memcpy(dst + j, &chunk, 8);
        }
    }
}

// The longest match length the code can express, 2^15 + 2^15 - 1 + 1, needs 15
// prefix ones; 16 or more ones always describe a match longer than any block.
constexpr uint32_t kMaxPrefixOnes = 15;

}  // namespace

const char* DescribeDecodeError(DecodeError error) {
    switch (error) {
    case DecodeError::kNone: return "no error";
    case DecodeError::kRawSizeTooLarge: return "block larger than 65,536 bytes";
    case DecodeError::kMatchFirst: return "match before the first byte of a block";
    case DecodeError::kOffsetBeyondOutput: return "match offset beyond the bytes produced";
    case DecodeError::kMatchPastEnd: return "match runs past the end of its block";
    case DecodeError::kInputExhausted: return "compressed block ends before its data is complete";
    case DecodeError::kEmptyStoredBlock: return "compressed block without stored bytes";
    case DecodeError::kSequenceTruncated: return "block runs past the item's stored length";
    case DecodeError::kCapacityExceeded: return "decoded item is larger than its buffer";
    case DecodeError::kReadFailed: return "package data ends early";
    case DecodeError::kWriteFailed: return "output could not be written";
    }
    return "unknown error";
}

bool BlockFrames::Next(BlockFrame& frame) {
    if (m_error != DecodeError::kNone || m_position == m_length) {
        return false;
    }
    if (m_length - m_position < kBlockHeaderSize) {
        return Fail(DecodeError::kSequenceTruncated);
    }
    uint8_t read[kBlockHeaderSize];
    if (m_input != nullptr && !m_input->ReadExact(read, sizeof read)) {
        return Fail(DecodeError::kReadFailed);
    }
    frame.header = ParseBlockHeader(m_input != nullptr ? read : m_stored + m_position);
    m_position += kBlockHeaderSize;
    if (frame.header.storedSize == 0) {
        return Fail(DecodeError::kEmptyStoredBlock);
    }
    if (frame.header.storedSize > m_length - m_position) {
        return Fail(DecodeError::kSequenceTruncated);
    }
    frame.payload = m_input != nullptr ? nullptr : m_stored + m_position;
    m_position += frame.header.storedSize;
    return true;
}

BlockHeader ParseBlockHeader(const uint8_t header[4]) {
    uint16_t raw = LoadLittleEndian16(header);
    uint16_t stored = LoadLittleEndian16(header + 2);
    BlockHeader h;
    h.rawSize = raw == 0 ? kLargestBlock : raw;
    h.plain = raw == stored;
    h.storedSize = h.plain ? h.rawSize : stored;
    return h;
}

CBlockDecoder::CBlockDecoder()
    : m_window(new uint8_t[kLargestBlock + kWindowSlack]), m_stored(new uint8_t[kLargestBlock]) {}

DecodeError CBlockDecoder::DecodeBlock(uint8_t* out, uint32_t rawSize, const uint8_t* payload, uint32_t storedSize) {
    DecodeError error = DecodeIntoWindow(rawSize, payload, storedSize);
    if (error == DecodeError::kNone) {
        std::memcpy(out, m_window.get(), rawSize);
    }
    return error;
}

DecodeError CBlockDecoder::DecodeIntoWindow(uint32_t rawSize, const uint8_t* payload, uint32_t storedSize) {
    if (rawSize > kLargestBlock) {
        return DecodeError::kRawSizeTooLarge;
    }
    uint8_t* window = m_window.get();
    BitReader in(payload, storedSize);
    uint32_t produced = 0;
    while (produced < rawSize) {
        in.Refill();
        if ((in.Peek() >> 63) == 0) {
            // Runs of literals are common; take as many as the register holds.
            // Two at a time while two literals follow and fit.
            constexpr uint64_t kTwoFlags = (uint64_t{1} << 63) | (uint64_t{1} << 54);
            while ((in.Peek() & kTwoFlags) == 0 && in.Available() >= 18 && rawSize - produced >= 2) {
                window[produced] = static_cast<uint8_t>(in.Peek() >> 55);
                window[produced + 1] = static_cast<uint8_t>(in.Peek() >> 46);
                produced += 2;
                in.Skip(18);
            }
            if ((in.Peek() >> 63) == 0 && in.Available() >= 9 && produced < rawSize) {
                window[produced++] = static_cast<uint8_t>(in.Peek() >> 55);
                in.Skip(9);
            }
            continue;
        }
        in.Skip(1);
        // Refill left at least 56 bits: 1 flag, 16 prefix bits, 15 value bits and 16 offset bits fit.
        auto ones = static_cast<uint32_t>(std::countl_one(in.Peek()));
        if (ones > kMaxPrefixOnes) {
            return DecodeError::kMatchPastEnd;
        }
        in.Skip(ones + 1);
        // 2 for no ones, else 2^k + 1 + the value.
        uint32_t length = (1u << ones) + 1 + in.Take(ones);
        if (produced == 0) {
            return DecodeError::kMatchFirst;
        }
        uint32_t offset = in.Take(OffsetBits(produced));
        if (offset >= produced) {
            return DecodeError::kOffsetBeyondOutput;
        }
        if (length > rawSize - produced) {
            return DecodeError::kMatchPastEnd;
        }
        CopyMatch(window, offset, produced, length);
        produced += length;
    }
    return in.Overran() ? DecodeError::kInputExhausted : DecodeError::kNone;
}

DecodeResult CBlockDecoder::DecodeSequence(uint8_t* dest, uint32_t capacity, const uint8_t* source, uint32_t length) {
    DecodeResult result;
    BlockFrames frames(source, length);
    for (BlockFrame frame; frames.Next(frame);) {
        const BlockHeader& block = frame.header;
        if (block.rawSize > capacity - result.produced) {
            result.error = DecodeError::kCapacityExceeded;
            return result;
        }
        uint8_t* out = dest + result.produced;
        if (block.plain) {
            std::memcpy(out, frame.payload, block.rawSize);
        } else {
            result.error = DecodeBlock(out, block.rawSize, frame.payload, block.storedSize);
            if (!result.ok()) {
                return result;
            }
        }
        result.produced += block.rawSize;
    }
    result.error = frames.error();
    return result;
}

DecodeResult CBlockDecoder::DecodeToStream(InputStream& input, OutputStream* output, uint32_t length) {
    DecodeResult result;
    BlockFrames frames(input, length);
    for (BlockFrame frame; frames.Next(frame);) {
        const BlockHeader& block = frame.header;
        uint8_t* bytes = block.plain ? m_window.get() : m_stored.get();
        if (!input.ReadExact(bytes, block.storedSize)) {
            result.error = DecodeError::kReadFailed;
            return result;
        }
        if (!block.plain) {
            result.error = DecodeIntoWindow(block.rawSize, bytes, block.storedSize);
            if (!result.ok()) {
                return result;
            }
        }
        if (output != nullptr && !output->Write(m_window.get(), block.rawSize)) {
            result.error = DecodeError::kWriteFailed;
            return result;
        }
        result.produced += block.rawSize;
    }
    result.error = frames.error();
    return result;
}

DecodeResult MeasureSequence(InputStream& input, uint32_t length) {
    DecodeResult result;
    BlockFrames frames(input, length);
    for (BlockFrame frame; frames.Next(frame);) {
        if (!input.Seek(input.Tell() + frame.header.storedSize)) {
            result.error = DecodeError::kReadFailed;
            return result;
        }
        result.produced += frame.header.rawSize;
    }
    result.error = frames.error();
    return result;
}

}  // namespace voz
