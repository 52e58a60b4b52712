// Reads arbitrary bytes as PE headers and as a certificate table. Either may
// be refused with PackError; what is accepted must lie inside the file.
#include <cstdint>
#include <algorithm>
#include <cstdlib>
#include <span>

#include "packer/authenticode.h"
#include "packer/pack_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace voz;
    const std::span<const uint8_t> bytes(data, size);
    const uint64_t fileSize = size + 100000;
    try {
        const PeSignatureLayout layout = ReadPeSignatureLayout(bytes.first(std::min(size, kPeHeaderBytes)), fileSize);
        if (layout.certificateOffset > fileSize || layout.certificateSize > fileSize - layout.certificateOffset ||
            layout.securityEntryOffset + 8 > std::min(size, kPeHeaderBytes) ||
            layout.checksumOffset + 4 > layout.securityEntryOffset) {
            std::abort();
        }
    } catch (const PackError&) {
    }
    try {
        const SignedDigest digest = ReadSignedDigest(bytes);
        if (digest.digest.empty() || digest.algorithm.empty()) {
            std::abort();
        }
    } catch (const PackError&) {
    }
    return 0;
}
