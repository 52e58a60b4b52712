// Everything a package holds, as the packing tool assembles it before writing.
// Texts and names are GBK bytes, as they will stand in the package.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "os/native_path.h"
#include "package/package_format.h"

namespace voz {

struct PackFile {
    std::string name;  // file name without a path
    PackageTime creation{};
    PackageTime lastAccess{};
    PackageTime lastWrite{};
    // The file's bytes: read from a file when the package is written, or given directly.
    std::variant<os::NativePath, std::vector<uint8_t>> content;
};

struct PackDir {
    std::string name;  // relative to the install folder, backslashes between folders; empty for the folder itself
    std::vector<PackFile> files;
    os::NativePath source;  // the folder it was packed from, for messages; empty when made otherwise
};

struct PackShortcut {
    std::string linkName;
    std::string target;  // empty: the uninstaller
    std::string icon;    // empty: the target itself
    int32_t place = kPlaceDesktop;
};

struct PackCopy {
    std::string source;
    std::string dest;
    std::string style;
};

struct PackageSpec {
    std::string title;
    std::string version;
    std::string company;
    std::string installDir;
    std::string mainExe;
    std::string sourceDir;
    int32_t defaultOrderSoftware = 0;
    std::array<std::string, kScreenCount> texts;
    std::array<std::vector<uint8_t>, kScreenCount> images;
    std::vector<PackDir> dirs;
    std::string group;
    std::vector<PackShortcut> shortcuts;
    std::vector<PackCopy> copies;
    std::vector<std::string> removes;
    std::vector<uint8_t> uninstaller;
    bool uninstallerNamed = false;  // the manifest names the uninstaller; otherwise the packer picks one
};

}  // namespace voz
