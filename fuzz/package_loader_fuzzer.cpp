// Loads arbitrary bytes as a package, measures every file it names, judges
// every name by the installation's rules and reads every image as the setup
// draws it.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "package/block_decoder.h"
#include "package/install_rules.h"
#include "package/package_image.h"
#include "package/package_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace voz;
    CPackageInfo package;
    MemoryInput input(data, size);
    LoadPackage(package, input, 0);
    if (package.m_dirs.size() > kMaxDirs || package.m_shortcuts.size() > kMaxShortcuts ||
        package.m_copies.size() > kMaxCopies || package.m_removes.size() > kMaxRemoves ||
        std::strcmp(package.m_szUninstaller, kUninstallerName) != 0) {
        std::abort();
    }
    for (const PackageDir& dir : package.m_dirs) {
        if (dir.files.size() > kMaxFilesPerDir || std::strlen(dir.szName) >= sizeof dir.szName) {
            std::abort();
        }
        for (const PackageFile& file : dir.files) {
            if (file.nDataSize > 0 && input.Seek(static_cast<uint64_t>(file.nDataPos))) {
                MeasureSequence(input, static_cast<uint32_t>(file.nDataSize));
            }
        }
    }
    for (const NameProblem& problem : CheckPackageNames(package)) {
        if (problem.check == NameCheck::kSafe) {
            std::abort();
        }
    }
    for (int screen = 0; screen < kScreenCount; ++screen) {
        const int32_t imageSize = package.ImageSize(screen);
        ParsePackageImage(package.Image(screen).get(), imageSize > 0 ? static_cast<size_t>(imageSize) : 0);
    }
    return 0;
}
