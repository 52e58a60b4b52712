// Feeds arbitrary bytes to the block decoder: as one block, as a block sequence
// in memory and as a block sequence read from a stream. The two sequence
// decoders must agree on every input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "package/block_decoder.h"
#include "package/package_format.h"
#include "package/wire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace voz;
    static CBlockDecoder decoder;
    static std::vector<uint8_t> out(8 * kLargestBlock);
    if (size < 2) {
        return 0;
    }
    // The first two bytes choose a raw size for the single-block decode.
    uint32_t rawSize = LoadLittleEndian16(data) + 1u;
    std::vector<uint8_t> payload(data + 2, data + size);  // exact-size copy: over-reads are caught
    decoder.DecodeBlock(out.data(), rawSize, payload.data(), static_cast<uint32_t>(payload.size()));

    auto length = static_cast<uint32_t>(size);
    DecodeResult memory = decoder.DecodeSequence(out.data(), static_cast<uint32_t>(out.size()), data, length);
    std::vector<uint8_t> inMemory(out.begin(), out.begin() + static_cast<long>(memory.produced));
    MemoryInput input(data, size);
    MemoryOutput streamed;
    DecodeResult stream = decoder.DecodeToStream(input, &streamed, length);
    if (memory.error != DecodeError::kCapacityExceeded) {
        if (memory.error != stream.error || memory.produced != stream.produced || inMemory != streamed.Bytes()) {
            std::abort();
        }
    }
    MemoryInput measured(data, size);
    DecodeResult sizes = MeasureSequence(measured, length);
    if (stream.ok() && (!sizes.ok() || sizes.produced != stream.produced)) {
        std::abort();
    }
    return 0;
}
