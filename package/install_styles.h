// The install styles a package offers, as the install-style page and
// vozpack extract take them.
#pragma once

#include <string>
#include <vector>

#include "package/package_info.h"

namespace voz {

// The distinct style labels of the package's style-copy records, compared
// byte for byte, in order of first appearance, at most kMaxStyles. An empty
// label is a label like any other.
std::vector<std::string> InstallStyles(const CPackageInfo& package);

}  // namespace voz
