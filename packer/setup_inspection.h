// Looks into a built setup: what its package holds and whether every item decodes.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "package/package_info.h"
#include "packer/package_check.h"

namespace voz {

struct InspectedFile {
    int dir = 0;
    int file = 0;
    uint64_t size = 0;    // decoded size, from the block headers
    std::string problem;  // empty when the framing is sound
};

struct SetupInspection {
    CPackageInfo package;
    uint64_t fileSize = 0;
    std::vector<InspectedFile> files;  // in package order
    uint64_t uninstallerSize = 0;
    std::string uninstallerProblem;
    NameReport names;  // names that break a rule, one line each
    // Which uninstaller is packed: what kind of program it is, and the CRC-32
    // of its bytes to tell one build from another.
    std::string uninstallerKind;
    uint32_t uninstallerCrc = 0;
};

// Loads the package and measures every file and the uninstaller without decoding them.
SetupInspection InspectSetup(const std::filesystem::path& setupPath);

struct SetupVerification {
    std::vector<std::string> damaged;  // one line per damaged item; empty when the package is sound
    NameReport names;
};

// Decodes every text, image, file and the uninstaller, and judges the names.
// Calls progress(done, total) in stored bytes.
SetupVerification VerifySetup(const std::filesystem::path& setupPath,
                              const std::function<void(uint64_t, uint64_t)>& progress = {});

// The record's GBK text as UTF-8 for display (bytes that are not GBK are shown escaped).
std::string DisplayText(const char* gbk);
// A file's path within the install folder, for display.
std::string DisplayPath(const PackageDir& dir, const PackageFile& file);

}  // namespace voz
