// Shortcuts of the installation: shell links on the desktop and in a program
// group under the Start menu's Programs folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "os/gbk_path.h"
#include "package/extract_failure.h"
#include "package/package_info.h"

namespace voz {

// Shell folder identifiers (CSIDL) of the folders that receive shortcuts.
inline constexpr int kCsidlDesktop = 0;
inline constexpr int kCsidlPrograms = 2;

// What the installation asks of the system's shell. All paths are GBK.
class ShellServices {
public:
    virtual ~ShellServices() = default;
    // Puts the path of the special folder `csidl` into path; false, leaving
    // path as it was, when the shell cannot tell.
    virtual bool GetSpecialFolderPath(std::string& path, int csidl) = 0;
    // Saves a shell link at `link` that starts `target` in the target's folder
    // and shows icon 0 of `icon`.
    virtual bool CreateShortcut(const std::string& link, const std::string& target, const std::string& icon) = 0;
};

#ifdef _WIN32
// The Windows shell: special folders from the shell, links through the shell-link object.
class WindowsShell final : public ShellServices {
public:
    bool GetSpecialFolderPath(std::string& path, int csidl) override;
    bool CreateShortcut(const std::string& link, const std::string& target, const std::string& icon) override;
};
#endif

// The folder a shortcut starts in: the target up to its last backslash, or
// the whole target when it has none.
std::string ShortcutWorkingFolder(std::string_view target);

// What the shortcut step leaves for the uninstaller: one link path per
// shortcut record (empty for a record that makes no link) and the program
// group's full path.
struct ShortcutPaths {
    std::vector<std::string> links;
    std::string group;
};

// The shortcuts of an installation, worked out before anything is made, so
// that the uninstall data can name them before the installation commits.
struct ShortcutPlan {
    struct Link {
        std::string link, target, icon;  // full paths
    };
    ShortcutPaths paths;
    std::string groupFolder;  // the folder to make; empty when the Programs folder is unknown
    std::vector<Link> links;  // to be made, in record order
};

// Plans a link for every record whose place is the desktop or the group. A
// record whose names are unsafe or too long makes no link, keeps an empty
// slot and is added to failures, as is a special folder the shell cannot
// name. Targets and icons are files in installDir.
ShortcutPlan PlanShortcuts(const CPackageInfo& package, const gbk::Path& installDir, ShellServices& shell,
                           std::vector<ExtractFailure>& failures);

// Creates the program group folder (even when no record uses it), then the
// planned links. A link the shell fails to save keeps its path in the plan.
void MakeShortcuts(const ShortcutPlan& plan, ShellServices& shell, std::vector<ExtractFailure>& failures);

}  // namespace voz
