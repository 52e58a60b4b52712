#include "package/package_info.h"

#include <algorithm>
#include <cstring>

namespace voz {

namespace {

// How many entries of a table a count covers. The loader keeps counts within
// the capacities; a record filled by hand may not.
size_t InUse(int32_t count, int capacity) {
    return static_cast<size_t>(std::clamp(count, 0, capacity));
}

}  // namespace

// Defined here, not defaulted in the class, so that value-initialisation
// (make_unique) does not zero the whole directory table.
CPackageInfo::CPackageInfo() = default;

void CPackageInfo::Clear() {
    m_szTitle[0] = m_szVersion[0] = m_szCompany[0] = m_szInstallDir[0] = '\0';
    m_szMainExe[0] = m_szSourceDir[0] = m_szGroup[0] = m_szStyle[0] = m_szUninstaller[0] = '\0';
    m_nDefaultOrderSoftware = 0;
    for (int i = 0; i < kScreenCount; ++i) {
        Text(i).clear();
        Image(i).reset();
        ImageSize(i) = 0;
    }
    // The tables are large; a load only ever fills entries below the counts it
    // read, and never reads a count above capacity, so only those are cleared.
    for (size_t d = 0; d < InUse(m_nDirCount, kMaxDirs); ++d) {
        PackageDir& dir = m_dirs[d];
        std::memset(dir.files, 0, sizeof(PackageFile) * InUse(dir.nFileCount, kMaxFilesPerDir));
        dir.szName[0] = '\0';
        dir.nFileCount = 0;
    }
    m_nDirCount = 0;
    // Entries at or above a count are never written, so they are still clear.
    std::memset(m_shortcuts, 0, sizeof(PackageShortcut) * InUse(m_nShortcutCount, kMaxShortcuts));
    std::memset(m_copies, 0, sizeof(PackageCopy) * InUse(m_nCopyCount, kMaxCopies));
    std::memset(m_szRemove, 0, sizeof m_szRemove[0] * InUse(m_nRemoveCount, kMaxRemoves));
    m_nShortcutCount = m_nCopyCount = m_nRemoveCount = 0;
    m_nUninstallerPos = m_nUninstallerSize = 0;
    m_status = PackageStatus();
}

}  // namespace voz
