// Judges a package by the rules the setup installs it by (install_rules.h):
// before vozpack builds it, and when vozpack verifies or lists a built one.
#pragma once

#include <string>
#include <vector>

#include "package/install_rules.h"
#include "packer/package_spec.h"

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

PackageNames NamesOf(const PackageSpec& spec);

// Adds every name of the spec the setup would refuse, the folder records
// beyond what the setup holds, and a warning when paths come close to their limit.
void CheckPackageSpec(const PackageSpec& spec, PackReport& report);

// One line per name of a built package that the setup would refuse.
std::vector<std::string> RefusedNames(const CPackageInfo& package);

}  // namespace voz
