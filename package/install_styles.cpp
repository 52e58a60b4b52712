#include "package/install_styles.h"

#include <algorithm>

#include "package/install_paths.h"

namespace voz {

std::vector<std::string> InstallStyles(const CPackageInfo& package) {
    std::vector<std::string> styles;
    for (const PackageCopy& copy : package.m_copies) {
        if (styles.size() == static_cast<size_t>(kMaxStyles)) {
            break;
        }
        std::string label(FieldText(copy.szStyle));
        if (std::find(styles.begin(), styles.end(), label) == styles.end()) {
            styles.push_back(std::move(label));
        }
    }
    return styles;
}

}  // namespace voz
