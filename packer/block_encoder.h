// Encoder of the package's block format (the inverse of CBlockDecoder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace voz {

enum class EncoderLevel {
    kFast,  // greedy matches from hash chains with one step of lazy evaluation
    kBest,  // the cheapest token sequence the format allows (optimal_parse.h)
};

struct EncoderOptions {
    EncoderLevel level = EncoderLevel::kBest;
    int chainDepth = 48;  // fast level: match candidates examined per position
    // Best level: a span is also tried as two blocks of its halves, recursively,
    // while the halves are at least this large; 0 keeps 65,536-byte blocks.
    uint32_t smallestSplit = 8192;
    // Best level: eighths of a bit added to the cost of every match when the
    // parse is chosen. A match costs the decoder far more time than its bits
    // suggest, so four bits a match give up a few short matches (0.9 % of the
    // size on the benchmark corpus) for about 10 % faster decoding. 0 gives the
    // exact cheapest parse.
    uint32_t matchPenalty = 32;
};

// Encodes data (at most 65,536 bytes) as one framed block: u16 raw size,
// u16 stored size, payload. Falls back to a plain block when compression does
// not make the block smaller. Appends to out.
void EncodeBlock(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out, const EncoderOptions& options = {});

// Encodes a span of at most 65,536 bytes as one or more framed blocks,
// appending to out. At the best level the span's halves become blocks of their
// own when that stores fewer bytes: a block restarts its window, and offsets
// are absolute, so a shorter block pays for its lost history with narrower
// offsets, and an incompressible stretch can be stored plainly on its own.
void EncodeSpan(const uint8_t* data, uint32_t size, std::vector<uint8_t>& out, const EncoderOptions& options = {});

// Encodes a whole item as a block sequence, span by span of 65,536 bytes.
std::vector<uint8_t> EncodeSequence(const uint8_t* data, size_t size, const EncoderOptions& options = {});

// The fewest stored bytes (headers included) that a block sequence of
// data cut into 65,536-byte blocks can take: the best level's result.
uint64_t OptimalSequenceSize(const uint8_t* data, size_t size);

}  // namespace voz
