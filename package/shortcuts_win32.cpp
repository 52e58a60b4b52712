#include "os/shell.h"
#include "os/text_encoding.h"
#include "package/install_paths.h"
#include "package/shortcuts.h"

namespace voz {

bool WindowsShell::GetSpecialFolderPath(std::string& path, int csidl) {
    std::wstring folder;
    if (!os::GetSpecialFolder(csidl, folder)) {
        return false;
    }
    // A folder whose name GBK cannot hold cannot be named in the uninstall data either.
    std::optional<std::string> gbk = os::WideToGbk(folder);
    if (!gbk) {
        return false;
    }
    path = std::move(*gbk);
    return true;
}

bool WindowsShell::CreateShortcut(const std::string& link, const std::string& target, const std::string& icon) {
    os::NativePath linkPath;
    os::NativePath targetPath;
    os::NativePath workingFolder;
    os::NativePath iconPath;
    return ToNativePath(link, linkPath) && ToNativePath(target, targetPath) &&
           ToNativePath(ShortcutWorkingFolder(target), workingFolder) && ToNativePath(icon, iconPath) &&
           os::CreateShellLink(linkPath, targetPath, workingFolder, iconPath);
}

}  // namespace voz
