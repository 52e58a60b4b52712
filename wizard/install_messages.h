// The messages the wizard shows about an installation: before it, the files
// in use and too little space; after it, what failed and what was kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "package/extract.h"
#include "package/extract_failure.h"
#include "package/install_plan.h"

namespace voz {

// How many failures the message names; the rest are counted.
inline constexpr size_t kFailuresNamed = 5;
// How many files a list of files in use or kept names; "…" stands for the rest.
inline constexpr size_t kFilesNamed = 10;

// A short GBK description of a kind of failure, for the user.
const char* FailureKindText(FailureKind kind);

// The GBK text of the message shown after an installation: when something
// failed, whether the installation completed, whether an earlier one stayed
// as it was or what was written was removed, how many items failed, then
// the first kFailuresNamed of them, one per line as what the item is, its
// path and the reason (with the system's explanation where it gave one),
// then how many are not named; then the files of an earlier version that
// were kept because they had been changed. Empty when there is nothing to say.
std::string InstallSummary(const InstallReport& report);

// The message asking to close the program holding `files` (relative to the
// install folder, at least one) before the installation replaces them:
// Retry checks again, Cancel goes back. `title` is the package's.
std::string FilesInUseMessage(const std::vector<std::string>& files, std::string_view title);

// The message about too little space on the target drive, with both figures.
std::string SpaceMessage(const SpaceCheck& space);

// A size for the user: whole KB below 1 MB, else MB or GB with one decimal;
// rounded up, or down when `roundDown`, so that a need is never shown as met.
std::string SizeText(uint64_t bytes, bool roundDown = false);

}  // namespace voz
