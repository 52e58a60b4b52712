#include "wizard/install_styles.h"

#include <algorithm>

#include "package/install_paths.h"

namespace voz {

std::vector<std::string> InstallStyles(const CPackageInfo& package) {
    std::vector<std::string> styles;
    const int count = std::clamp(package.m_nCopyCount, 0, kMaxCopies);
    for (int i = 0; i < count && styles.size() < static_cast<size_t>(kMaxStyles); ++i) {
        std::string label(FieldText(package.m_copies[i].szStyle));
        if (std::find(styles.begin(), styles.end(), label) == styles.end()) {
            styles.push_back(std::move(label));
        }
    }
    return styles;
}

}  // namespace voz
