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
// how many items failed, then the first kFailuresNamed of them, one per line
// as path and reason, then how many are not named. Empty when nothing failed.
std::string FailureSummary(const std::vector<ExtractFailure>& failures);

}  // namespace voz
