// Judges a package by the rules the setup installs it by (install_rules.h):
// before vozpack builds it, and when vozpack verifies or lists a built one.
#pragma once

#include <string>
#include <vector>

#include "package/install_rules.h"
#include "packer/package_source.h"

namespace voz {

// What keeps a package from being built (one line each, naming the manifest
// key or the source file and the reason), and what the setup will do
// otherwise than meant.
struct PackReport {
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
};

// Leaves this much room or less below the default install folder, a longer
// folder chosen by the user soon cannot hold the package's deepest file.
inline constexpr long kPathRoomWarning = 32;

// Adds every name of the package that breaks a rule, whether the setup or
// only the packing tool insists on it, the folder records beyond what the
// setup holds, and a warning when paths come close to their limit.
void CheckPackageSource(const PackageSource& source, PackReport& report);

// The names of a built package that break a rule, one line each: those the
// setup refuses when it installs, and notes on those it installs as they are.
struct NameReport {
    std::vector<std::string> refused;
    std::vector<std::string> notes;
};
NameReport JudgeNames(const CPackageInfo& package);

}  // namespace voz
