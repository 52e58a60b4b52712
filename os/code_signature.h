// Code signatures of Windows programs.
#pragma once

#include <string>

namespace voz::os {

// Whether this program's file carries an Authenticode signature whose digest
// no longer matches the file: it was changed after it was signed. False for an
// unsigned program, and whenever the system cannot tell (a signature the
// system does not trust, or no trust provider), so that only a changed file is
// ever refused.
bool ProgramSignatureDigestBroken(const std::wstring& programPath);
// The same question for any signed file, whose certificate table the caller has found.
bool SignatureDigestBroken(const std::wstring& path);

}  // namespace voz::os
