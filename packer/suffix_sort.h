// Suffix array construction by induced sorting (SA-IS), linear in the input.
#pragma once

#include <cstdint>

namespace voz {

// Fills suffixes[0..size) with the start positions of the suffixes of
// text[0..size) in lexicographic order (a suffix that is a prefix of another
// sorts first). size must be below 2^31.
void SortSuffixes(const uint8_t* text, int32_t* suffixes, int32_t size);

}  // namespace voz
