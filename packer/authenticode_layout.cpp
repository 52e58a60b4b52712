#include "packer/authenticode.h"

#include <algorithm>
#include <fstream>

#include "package/byte_stream.h"
#include "package/pe_headers.h"
#include "package/wire.h"
#include "packer/pack_error.h"

namespace voz {

std::vector<uint8_t> ReadAt(std::ifstream& in, uint64_t offset, uint64_t size) {
    std::vector<uint8_t> bytes(size);
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        throw PackError("the file cannot be read");
    }
    return bytes;
}

PeSignatureLayout ReadPeSignatureLayout(std::span<const uint8_t> header, uint64_t fileSize) {
    MemoryInput in(header.data(), header.size());
    const std::optional<PeHeaders> headers = ReadPeHeaders(in);
    if (!headers) {
        throw PackError("not a Windows program (no PE headers)");
    }
    if (headers->magic != kPe32Magic && headers->magic != kPe32PlusMagic) {
        throw PackError("not a Windows program (unknown optional header)");
    }
    const uint64_t securityEntry = headers->DirectoryAt(kSecurityDirectory);
    if (securityEntry + 8 > header.size() ||
        LoadLittleEndian32(header.data() + headers->DirectoryCountAt()) <= kSecurityDirectory) {
        throw PackError("not a Windows program (no security directory)");
    }
    PeSignatureLayout layout;
    layout.checksumOffset = headers->ChecksumAt();
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
