// Code signatures of Windows programs.
#pragma once

#include <string>

namespace voz::os {

// What this program's Authenticode signature says of its file. Only a digest
// that no longer matches (the file was changed after it was signed) counts as
// broken: a signature the system does not trust still has a digest that
// matches, and without a trust provider the question stays open, so that only
// a changed file is ever refused.
enum class SignatureState {
    kUnsigned,  // no certificate table
    kDigestMatches,
    kDigestBroken,
    kNotChecked,  // signed, but the system has no trust provider to ask
};
SignatureState ProgramSignature(const std::wstring& programPath);
// The same question for any signed file, whose certificate table the caller has found.
bool SignatureDigestBroken(const std::wstring& path);

}  // namespace voz::os
