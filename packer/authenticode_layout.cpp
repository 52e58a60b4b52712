#include "packer/authenticode.h"

#include <algorithm>
#include <fstream>

#include "package/wire.h"
#include "packer/pack_error.h"

namespace voz {

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kSecurityDirectory = 4;

}  // namespace

std::vector<uint8_t> ReadAt(std::ifstream& in, uint64_t offset, uint64_t size) {
    std::vector<uint8_t> bytes(size);
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        throw PackError("the file cannot be read");
    }
    return bytes;
}

PeSignatureLayout ReadPeSignatureLayout(std::span<const uint8_t> header, uint64_t fileSize) {
    if (header.size() < 0x40 || header[0] != 'M' || header[1] != 'Z') {
        throw PackError("not a Windows program (no MZ header)");
    }
    const uint64_t pe = LoadLittleEndian32(header.data() + 0x3C);
    if (pe + 24 + 2 > header.size() || LoadLittleEndian32(header.data() + pe) != 0x00004550) {
        throw PackError("not a Windows program (no PE header)");
    }
    const uint64_t optional = pe + 24;
    const uint32_t magic = LoadLittleEndian16(header.data() + optional);
    if (magic != kPe32Magic && magic != kPe32PlusMagic) {
        throw PackError("not a Windows program (unknown optional header)");
    }
    const uint64_t directoryCountAt = optional + (magic == kPe32Magic ? 92 : 108);
    const uint64_t directories = directoryCountAt + 4;
    const uint64_t securityEntry = directories + kSecurityDirectory * 8;
    if (securityEntry + 8 > header.size() ||
        LoadLittleEndian32(header.data() + directoryCountAt) <= kSecurityDirectory) {
        throw PackError("not a Windows program (no security directory)");
    }
    PeSignatureLayout layout;
    layout.checksumOffset = optional + 64;
    layout.securityEntryOffset = securityEntry;
    layout.certificateOffset = LoadLittleEndian32(header.data() + securityEntry);
    layout.certificateSize = LoadLittleEndian32(header.data() + securityEntry + 4);
    if (layout.certificateSize == 0) {
        layout.certificateOffset = fileSize;
        return layout;
    }
    if (layout.certificateOffset < securityEntry + 8 || layout.certificateOffset > fileSize ||
        layout.certificateSize > fileSize - layout.certificateOffset) {
        throw PackError("the certificate table lies outside the file");
    }
    return layout;
}

SignatureReport CheckSignature(const std::filesystem::path& setup) {
    SignatureReport report;
    std::ifstream in(setup, std::ios::binary);
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(setup, ec);
    if (!in || ec) {
        report.problem = "the file cannot be read";
        return report;
    }
    report.signedBytes = fileSize;
    try {
        const std::vector<uint8_t> header = ReadAt(in, 0, std::min<uint64_t>(fileSize, kPeHeaderBytes));
        const PeSignatureLayout layout = ReadPeSignatureLayout(header, fileSize);
        report.signedBytes = layout.certificateOffset;
        report.signedFile = layout.certificateSize > 0;
        if (!report.signedFile) {
            return report;
        }
        if (layout.certificateOffset + layout.certificateSize != fileSize) {
            throw PackError("data follows the certificate table, outside the signature");
        }
        CheckSignedDigest(setup, in, layout, report);
    } catch (const PackError& e) {
        report.problem = e.what();
    }
    return report;
}

std::string DescribeSignature(const SignatureReport& report) {
    if (!report.problem.empty()) {
        return (report.signedFile ? "unreadable: " : "cannot tell: ") + report.problem;
    }
    if (!report.signedFile) {
        return "none";
    }
    std::string line = "Authenticode " + report.algorithm + ", digest " +
                       (report.digestMatches ? "matches the file" : "does NOT match the file (changed after signing)");
    if (!report.signatureIntact) {
        line += ", the signer's signature does NOT hold";
    }
    return line;
}

}  // namespace voz
