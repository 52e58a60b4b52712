// Decoder of the package's compressed blocks.
//
// A block is a bit-level LZ77 stream read most significant bit first: a 0 flag
// bit and 8 bits give a literal; a 1 flag bit starts a match whose length is a
// unary-prefixed code (k ones, a zero, then k bits v: length 2 when k is 0,
// else 2^k + v + 1) and whose offset is an absolute position in the block's
// output, written in just enough bits to address the bytes produced so far.
// Blocks are independent of one another and yield at most 65,536 bytes.
//
// Damaged input never makes the decoder read or write outside its buffers:
// every case that the format cannot express is reported as a DecodeError.
#pragma once

#include <bit>
#include <cstdint>
#include <memory>

#include "package/byte_stream.h"

namespace voz {

// Width of a match offset: just enough bits to address the bytes produced so
// far in the block (produced is at least 1; one byte needs no bits). The
// encoder writes offsets, and prices them, by the same rule.
inline uint32_t OffsetBits(uint32_t produced) { return static_cast<uint32_t>(std::bit_width(produced - 1)); }

enum class DecodeError {
    kNone,
    kRawSizeTooLarge,     // a block asked to yield more than 65,536 bytes
    kMatchFirst,          // a match before any byte was produced
    kOffsetBeyondOutput,  // a match offset at or beyond the bytes produced
    kMatchPastEnd,        // a match that would run past the block's size
    kInputExhausted,      // the stored bytes ran out before the block was complete
    kEmptyStoredBlock,    // stored size 0 with a raw size other than 0
    kSequenceTruncated,   // a block runs past the item's stored length
    kCapacityExceeded,    // the decoded item does not fit its destination
    kReadFailed,          // the input stream ended early
    kWriteFailed,         // the output stream refused bytes
};

const char* DescribeDecodeError(DecodeError error);

struct DecodeResult {
    uint64_t produced = 0;  // bytes placed in the destination or written to the stream
    DecodeError error = DecodeError::kNone;

    bool ok() const { return error == DecodeError::kNone; }
};

class CBlockDecoder {
public:
    CBlockDecoder();

    // Decodes one compressed block: exactly rawSize bytes from the stored payload.
    // On failure nothing meaningful is in out (it may hold part of the block).
    DecodeError DecodeBlock(uint8_t* out, uint32_t rawSize, const uint8_t* payload, uint32_t storedSize);

    // Decodes a block sequence of `length` bytes held in memory into dest.
    // kCapacityExceeded is reported before the block that would overflow is
    // touched; the blocks placed before it stay in dest.
    DecodeResult DecodeSequence(uint8_t* dest, uint32_t capacity, const uint8_t* source, uint32_t length);

    // Decodes a block sequence of `length` stored bytes read from input, block
    // by block, writing each block's bytes to output. With a null output the
    // blocks are read, checked and discarded.
    DecodeResult DecodeToStream(InputStream& input, OutputStream* output, uint32_t length);

private:
    // Decodes into m_window, which has slack after 65,536 bytes for wide copies.
    DecodeError DecodeIntoWindow(uint32_t rawSize, const uint8_t* payload, uint32_t storedSize);

    std::unique_ptr<uint8_t[]> m_window;
    std::unique_ptr<uint8_t[]> m_stored;
};

// Walks the block headers of a sequence of `length` stored bytes without
// decoding, seeking over the payloads: `produced` is the decoded size. Framing
// errors are reported as by DecodeToStream.
DecodeResult MeasureSequence(InputStream& input, uint32_t length);

// Parses a block header; returns the raw size N (65,536 for 0) and the stored
// bytes that follow the header (N for a plain block).
struct BlockHeader {
    uint32_t rawSize;
    uint32_t storedSize;
    bool plain;
};
BlockHeader ParseBlockHeader(const uint8_t header[4]);

// One block of a sequence: its header's fields and, in a sequence held in
// memory, its storedSize payload bytes.
struct BlockFrame {
    BlockHeader header;
    const uint8_t* payload;  // null in a sequence read from a stream
};

// The framing of a block sequence of `length` stored bytes: blocks of a u16
// raw size, a u16 stored size and the payload, back to back. Every walk over
// a sequence goes through here, so each meets the same checks: a header that
// does not fit in what remains, a block without stored bytes, a payload that
// runs past the sequence. Next yields only blocks that lie wholly within it.
class BlockFrames {
public:
    // A sequence held in memory.
    BlockFrames(const uint8_t* stored, uint32_t length) : m_stored(stored), m_length(length) {}
    // A sequence read from input, from its current position. After each Next,
    // the block's payload is next in input; the caller reads or skips it.
    BlockFrames(InputStream& input, uint32_t length) : m_input(&input), m_length(length) {}

    // The next block; false at the end of the sequence or at a framing fault
    // (then error() names it, and every later call returns false too).
    bool Next(BlockFrame& frame);
    DecodeError error() const { return m_error; }

private:
    bool Fail(DecodeError error) {
        m_error = error;
        return false;
    }

    const uint8_t* m_stored = nullptr;
    InputStream* m_input = nullptr;
    uint32_t m_length;
    uint32_t m_position = 0;  // stored bytes of the sequence taken so far
    DecodeError m_error = DecodeError::kNone;
};

}  // namespace voz
