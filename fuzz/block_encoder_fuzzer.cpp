// Encodes arbitrary bytes at both levels and decodes them again: every
// sequence must decode to the input, and the exact cheapest parse must never
// store more than the fast level, nor more than whole 65,536-byte blocks do.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "package/block_decoder.h"
#include "packer/block_encoder.h"

namespace {

std::vector<uint8_t> Decode(const std::vector<uint8_t>& seq, size_t size) {
    static voz::CBlockDecoder decoder;
    std::vector<uint8_t> out(size);
    voz::DecodeResult r =
        decoder.DecodeSequence(out.data(), static_cast<uint32_t>(size), seq.data(), static_cast<uint32_t>(seq.size()));
    if (!r.ok() || r.produced != size) {
        std::abort();
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace voz;
    if (size < 1) {
        return 0;
    }
    // The first byte chooses the smallest block the best level may cut a span
    // into, so that small inputs are cut too.
    EncoderOptions exact;
    exact.smallestSplit = data[0] % 64;
    exact.matchPenalty = 0;
    EncoderOptions best = exact;
    best.matchPenalty = EncoderOptions{}.matchPenalty;
    EncoderOptions fast;
    fast.level = EncoderLevel::kFast;
    std::vector<uint8_t> input(data + 1, data + size);
    std::vector<uint8_t> fastSeq = EncodeSequence(input.data(), input.size(), fast);
    std::vector<uint8_t> exactSeq = EncodeSequence(input.data(), input.size(), exact);
    std::vector<uint8_t> bestSeq = EncodeSequence(input.data(), input.size(), best);
    for (const auto* seq : {&fastSeq, &exactSeq, &bestSeq}) {
        if (Decode(*seq, input.size()) != input) {
            std::abort();
        }
    }
    if (exactSeq.size() > fastSeq.size() || exactSeq.size() > OptimalSequenceSize(input.data(), input.size())) {
        std::abort();
    }
    return 0;
}
