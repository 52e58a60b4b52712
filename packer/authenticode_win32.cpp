// vozpack.exe: signatures are checked by the system's trust provider, which
// tells whether the signed digest still matches the file; signing is left to
// the build machine's osslsigncode or to the system's own signing tool.
#include <algorithm>
#include <fstream>

#include "os/code_signature.h"
#include "packer/authenticode.h"
#include "packer/pack_error.h"

namespace voz {

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
        if (report.signedFile) {
            report.algorithm = "(checked by Windows)";
            report.digestMatches = !os::SignatureDigestBroken(setup.wstring());
            report.signatureIntact = true;
        }
    } catch (const PackError& e) {
        report.problem = e.what();
    }
    return report;
}

void SignSetup(const std::filesystem::path& setup, const std::filesystem::path&, const std::filesystem::path&) {
    throw PackError(setup.string() + ": vozpack.exe does not sign setups; sign it with vozpack sign on the build "
                                     "machine (osslsigncode) or with the system's signing tool");
}

}  // namespace voz
