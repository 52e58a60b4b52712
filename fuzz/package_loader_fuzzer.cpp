// Loads arbitrary bytes as a package, measures every file it names, judges
// every name by the installation's rules and reads every image as the setup
// draws it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "package/block_decoder.h"
#include "package/install_rules.h"
#include "package/package_image.h"
#include "package/package_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace voz;
    // The record is large; one instance is reused, as the loader clears what it used.
    static auto* package = new CPackageInfo();
    MemoryInput input(data, size);
    LoadPackage(*package, input, 0);
    if (package->m_nDirCount > kMaxDirs || package->m_nShortcutCount > kMaxShortcuts ||
        package->m_nCopyCount > kMaxCopies || package->m_nRemoveCount > kMaxRemoves ||
        package->m_szStyle[0] != '\0' || std::strcmp(package->m_szUninstaller, kUninstallerName) != 0) {
        std::abort();
    }
    for (int d = 0; d < package->m_nDirCount; ++d) {
        const PackageDir& dir = package->m_dirs[d];
        if (dir.nFileCount > kMaxFilesPerDir || std::strlen(dir.szName) >= sizeof dir.szName) {
            std::abort();
        }
        for (int f = 0; f < dir.nFileCount; ++f) {
            const PackageFile& file = dir.files[f];
            if (file.nDataSize > 0 && input.Seek(static_cast<uint64_t>(file.nDataPos))) {
                MeasureSequence(input, static_cast<uint32_t>(file.nDataSize));
            }
        }
    }
    for (const NameProblem& problem : CheckPackageNames(NamesOf(*package))) {
        if (problem.check == NameCheck::kSafe) {
            std::abort();
        }
    }
    for (int screen = 0; screen < kScreenCount; ++screen) {
        const int32_t imageSize = package->ImageSize(screen);
        ParsePackageImage(package->Image(screen).get(), imageSize > 0 ? static_cast<size_t>(imageSize) : 0);
    }
    return 0;
}
