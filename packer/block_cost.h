// What each token of the block format costs in bits. The encoders choose
// tokens by these costs; the writer in block_encoder.cpp emits the same codes.
#pragma once

#include <bit>
#include <cstdint>

#include "package/block_decoder.h"

namespace voz {

// A literal: flag bit 0 and the byte.
inline constexpr uint32_t kLiteralBits = 9;
// The length code with no prefix ones.
inline constexpr uint32_t kShortestMatch = 2;

// Prefix ones of the length code: 0 for length 2, otherwise the k with
// 2^k + 1 <= length <= 2^(k+1).
inline uint32_t LengthPrefix(uint32_t length) {
    return length == kShortestMatch ? 0 : static_cast<uint32_t>(std::bit_width(length - 1) - 1);
}

// k ones, a zero, then k bits of value.
inline uint32_t LengthCodeBits(uint32_t length) { return 2 * LengthPrefix(length) + 1; }

// A match: flag bit 1, the length code and the offset.
inline uint32_t MatchBits(uint32_t produced, uint32_t length) {
    return 1 + LengthCodeBits(length) + OffsetBits(produced);
}

}  // namespace voz
