// Authenticode signatures of setup executables: where a signature sits in the
// PE file, and whether the digest it signs still matches the file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace voz {

// The parts of a PE file that its Authenticode digest leaves out: the header
// checksum, the security directory entry and the certificate table itself,
// which a signature appends at the end of the file (after the package).
struct PeSignatureLayout {
    uint64_t checksumOffset = 0;       // 4 bytes
    uint64_t securityEntryOffset = 0;  // 8 bytes: certificate table offset and size
    uint64_t certificateOffset = 0;    // the end of the signed bytes: the file size when unsigned
    uint64_t certificateSize = 0;      // 0 when unsigned
};

// Reads the layout from the file's first bytes (the DOS and PE headers, up to
// kPeHeaderBytes). Throws PackError naming the fault when the headers are not
// those of a PE file or the certificate table lies outside the file.
inline constexpr size_t kPeHeaderBytes = 4096;
PeSignatureLayout ReadPeSignatureLayout(std::span<const uint8_t> header, uint64_t fileSize);

// What a signature's certificate table (WIN_CERTIFICATE and PKCS#7 SignedData)
// says the file's digest is.
struct SignedDigest {
    std::string algorithm;  // OpenSSL's short name, such as "SHA256"
    std::vector<uint8_t> digest;
    bool signerSignatureIntact = false;  // the signer's signature over the signed content holds
};
// Throws PackError when the table is not an Authenticode signature.
SignedDigest ReadSignedDigest(std::span<const uint8_t> certificateTable);

struct SignatureReport {
    bool signedFile = false;
    bool digestMatches = false;    // only when signed
    bool signatureIntact = false;  // only when signed
    std::string algorithm;         // only when signed
    uint64_t signedBytes = 0;      // where the certificate table starts: the package ends there or before
    std::string problem;           // the signature cannot be read; empty otherwise
    bool sound() const { return !signedFile || (problem.empty() && digestMatches && signatureIntact); }
};
// Reports whether the setup carries a signature and whether it still matches
// the file. A setup that cannot be read as a PE file reports a problem.
SignatureReport CheckSignature(const std::filesystem::path& setup);

// size bytes of in from offset; throws PackError when the file ends first.
std::vector<uint8_t> ReadAt(std::ifstream& in, uint64_t offset, uint64_t size);

// Fills the digest fields of the report of a signed setup whose certificate
// table ends the file: by the signature's own digest where OpenSSL is at
// hand, by the system's trust provider in vozpack.exe. Throws PackError when
// the signature cannot be read.
void CheckSignedDigest(const std::filesystem::path& setup, std::ifstream& in, const PeSignatureLayout& layout,
                       SignatureReport& report);

// One line for vozpack list and verify: "none", "SHA256, digest matches" ...
std::string DescribeSignature(const SignatureReport& report);

// Signs setup in place with osslsigncode (Authenticode, SHA-256), with the
// PEM (or DER) certificate and private key given. Throws PackError with
// osslsigncode's message when signing fails; the setup is left as it was.
// vozpack.exe does not sign (osslsigncode is a build-machine tool there):
// it throws PackError saying so. On Windows, CheckSignature asks the
// system's trust provider whether the digest still matches the file.
void SignSetup(const std::filesystem::path& setup, const std::filesystem::path& certificate,
               const std::filesystem::path& key);

}  // namespace voz
