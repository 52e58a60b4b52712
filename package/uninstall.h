// What an uninstall removes, and what it must never touch. Paths are GBK
// with backslashes; the file system is reached through the OS layer, so the
// same code runs in the uninstaller and in native tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "package/extract_failure.h"
#include "package/uninstall_data.h"

namespace voz {

// The user's and the system's folders, full GBK paths; an unknown one is empty.
struct SpecialFolders {
    std::string desktop;
    std::string programs;  // the Start menu's Programs folder
    std::string windows;
    std::string programFiles;
    std::string profile;
};

// The same path, ignoring the case of ASCII letters and a trailing backslash.
bool SamePath(std::string_view a, std::string_view b);
// True when path lies strictly inside folder.
bool IsInside(std::string_view path, std::string_view folder);

// A folder an uninstall must never run from or remove: a drive root, a share's
// root, a path that is not absolute, one of the special folders, or a folder
// that holds one of them.
bool IsProtectedFolder(std::string_view folder, const SpecialFolders& special);

// Deletes the recorded links that are shell links (.lnk) on the desktop or in
// the Start menu's Programs folder; any other recorded path is left alone.
// Returns the links deleted.
std::vector<std::string> RemoveLinks(const UninstallTable& table, const SpecialFolders& special);

// Removes the program group when it lies inside the Programs folder and is
// empty; true when it did.
bool RemoveGroup(const UninstallTable& table, const SpecialFolders& special);

// What an uninstall removed (full paths, files before folders) and the files
// it could not delete, which are still there, with the system's reason.
struct Removal {
    std::vector<std::string> removed;
    std::vector<ExtractFailure> failures;
};

// Deletes every logged file and the uninstaller in installDir (none when its
// name is empty), then every logged folder that is empty, deepest first.
// Files that are gone already are no failure.
Removal RemoveLogged(std::string_view installDir, const InstallLog& log, std::string_view uninstallerName);

// What stays in installDir: up to `limit` files and empty folders, relative to
// it, found depth-first, and how many there are in all.
struct Leftovers {
    std::vector<std::string> names;
    size_t total = 0;
};
Leftovers FindLeftovers(std::string_view installDir, size_t limit);

}  // namespace voz
