// vozpack.exe: signatures are checked by the system's trust provider, which
// tells whether the signed digest still matches the file; signing is left to
// the build machine's osslsigncode or to the system's own signing tool.
#include <fstream>

#include "os/code_signature.h"
#include "packer/authenticode.h"
#include "packer/pack_error.h"

namespace voz {

void CheckSignedDigest(const std::filesystem::path& setup, std::ifstream&, const PeSignatureLayout&,
                       SignatureReport& report) {
    report.algorithm = "(checked by Windows)";
    report.digestMatches = !os::SignatureDigestBroken(setup.wstring());
    report.signatureIntact = true;
}

void SignSetup(const std::filesystem::path& setup, const std::filesystem::path&, const std::filesystem::path&) {
    throw PackError(setup.string() +
                    ": vozpack.exe does not sign setups; sign it with vozpack sign on the build "
                    "machine (osslsigncode) or with the system's signing tool");
}

}  // namespace voz
