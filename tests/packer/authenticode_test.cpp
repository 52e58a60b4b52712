// Where a setup's signature sits, read from its PE headers, and how a
// certificate table that is not a signature is turned away.
#include "packer/authenticode.h"

#include <gtest/gtest.h>

#include "packer/pack_error.h"

namespace voz {
namespace {

constexpr uint32_t kPeAt = 0x80;
constexpr uint64_t kFileSize = 500000;

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// DOS and PE headers with an optional header of the given magic, whose
// security directory entry holds (offset, size).
std::vector<uint8_t> Headers(uint16_t magic, uint32_t certificateOffset, uint32_t certificateSize,
                             uint32_t directoryCount = 16) {
    std::vector<uint8_t> b(kPeHeaderBytes, 0);
    b[0] = 'M';
    b[1] = 'Z';
    PutU32(b, 0x3C, kPeAt);
    PutU32(b, kPeAt, 0x00004550);
    const size_t optional = kPeAt + 24;
    b[optional] = static_cast<uint8_t>(magic);
    b[optional + 1] = static_cast<uint8_t>(magic >> 8);
    const size_t countAt = optional + (magic == 0x10B ? 92 : 108);
    PutU32(b, countAt, directoryCount);
    PutU32(b, countAt + 4 + 4 * 8, certificateOffset);
    PutU32(b, countAt + 4 + 4 * 8 + 4, certificateSize);
    return b;
}

TEST(PeSignatureLayout, FindsTheFieldsTheDigestLeavesOut) {
    struct Case {
        uint16_t magic;
        uint64_t securityEntry;
    };
    for (Case c : {Case{0x10B, kPeAt + 24 + 96 + 32}, Case{0x20B, kPeAt + 24 + 112 + 32}}) {
        SCOPED_TRACE(c.magic);
        PeSignatureLayout unsignedFile = ReadPeSignatureLayout(Headers(c.magic, 0, 0), kFileSize);
        EXPECT_EQ(unsignedFile.checksumOffset, kPeAt + 24 + 64);
        EXPECT_EQ(unsignedFile.securityEntryOffset, c.securityEntry);
        EXPECT_EQ(unsignedFile.certificateOffset, kFileSize);  // the digest runs to the end
        EXPECT_EQ(unsignedFile.certificateSize, 0u);

        PeSignatureLayout signedFile = ReadPeSignatureLayout(Headers(c.magic, 480000, 20000), kFileSize);
        EXPECT_EQ(signedFile.certificateOffset, 480000u);  // the package ends here or before
        EXPECT_EQ(signedFile.certificateSize, 20000u);
    }
}

TEST(PeSignatureLayout, TurnsAwayWhatIsNoProgramOrPointsOutsideIt) {
    std::vector<uint8_t> noMz = Headers(0x10B, 0, 0);
    noMz[0] = 0;
    std::vector<uint8_t> peBeyond = Headers(0x10B, 0, 0);
    PutU32(peBeyond, 0x3C, 0xFFFFFFF0);
    std::vector<uint8_t> noPe = Headers(0x10B, 0, 0);
    noPe[kPeAt] = 'X';
    const std::vector<uint8_t> cases[] = {
        noMz,
        peBeyond,
        noPe,
        Headers(0x999, 0, 0),                                     // unknown optional header
        Headers(0x10B, 0, 0, 4),                                  // no security directory
        Headers(0x10B, 490000, 20000),                            // table runs past the end of the file
        Headers(0x10B, 0xFFFFFFF0, 0x20),                         // offset beyond the file
        Headers(0x10B, 16, 20),                                   // table over the headers
        std::vector<uint8_t>(noMz.begin(), noMz.begin() + 0x20),  // too short for a DOS header
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_THROW(ReadPeSignatureLayout(cases[i], kFileSize), PackError);
    }
}

TEST(SignedDigest, TurnsAwayTablesThatAreNoAuthenticodeSignature) {
    auto table = [](uint32_t length, uint16_t revision, uint16_t type, std::vector<uint8_t> body) {
        std::vector<uint8_t> b(8, 0);
        PutU32(b, 0, length);
        b[4] = static_cast<uint8_t>(revision);
        b[5] = static_cast<uint8_t>(revision >> 8);
        b[6] = static_cast<uint8_t>(type);
        b[7] = static_cast<uint8_t>(type >> 8);
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    const std::vector<uint8_t> der = {0x30, 0x03, 0x02, 0x01, 0x01};  // SEQUENCE { INTEGER 1 }
    const std::vector<uint8_t> cases[] = {
        {1, 2, 3},                                       // shorter than its header
        table(4, 0x0200, 2, der),                        // length shorter than the header
        table(100, 0x0200, 2, der),                      // length beyond the table
        table(13, 0x0100, 2, der),                       // other revision
        table(13, 0x0200, 1, der),                       // X.509 certificate, not signed data
        table(13, 0x0200, 2, der),                       // DER, but no PKCS#7
        table(12, 0x0200, 2, {0x30, 0x84, 0xFF, 0xFF}),  // length beyond the bytes
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_THROW(ReadSignedDigest(cases[i]), PackError);
    }
}

}  // namespace
}  // namespace voz
