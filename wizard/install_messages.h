// The message that reports what an installation could not do.
#pragma once

#include <string>
#include <vector>

#include "package/extract_failure.h"

namespace voz {

// How many failures the message names; the rest are counted.
inline constexpr size_t kFailuresNamed = 5;

// A short GBK description of a kind of failure, for the user.
const char* FailureKindText(FailureKind kind);

// The GBK text of the message shown after an installation with failures:
// whether the installation completed and how many items failed, then the
// first kFailuresNamed of them, one per line as what the item is, its path
// and the reason, then how many are not named. Empty when nothing failed.
std::string FailureSummary(const std::vector<ExtractFailure>& failures, bool completed);

// An installation did not complete when its install folder could not be
// made, or when the package has files and none of them was written.
bool InstallationCompleted(const std::vector<ExtractFailure>& failures, int filesInPackage, int filesWritten);

}  // namespace voz
