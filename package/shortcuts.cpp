#include "package/shortcuts.h"

#include <algorithm>
#include <optional>

#include "os/filesystem.h"
#include "package/extract.h"
#include "package/install_paths.h"

namespace voz {

namespace {

class ShortcutMaker {
public:
    ShortcutMaker(const CPackageInfo& package, ShellServices& shell, std::vector<ExtractFailure>& failures)
        : package_(package), shell_(shell), failures_(failures), installDir_(FieldText(package.m_szInstallDir)) {}

    ShortcutPaths Run() {
        ShortcutPaths paths;
        // The group is made even when no shortcut goes into it.
        std::optional<std::string> group = GroupFolder();
        if (group) {
            paths.group = *group;
            if (!CreateDirectoryPath(*group)) {
                Fail(*group, FailureKind::kFolderNotCreated, os::LastErrorText());
            }
        }
        int count = std::clamp(package_.m_nShortcutCount, 0, kMaxShortcuts);
        for (int i = 0; i < count; ++i) {
            const PackageShortcut& shortcut = package_.m_shortcuts[i];
            std::optional<std::string> folder;
            if (shortcut.nPlace == kPlaceDesktop) {
                folder = Desktop();
            } else if (shortcut.nPlace == kPlaceGroup) {
                folder = group;
            } else {
                continue;  // no link for this record; its slot stays empty
            }
            if (folder) {
                paths.links[i] = MakeLink(*folder, shortcut);
            }
        }
        return paths;
    }

private:
    void Fail(std::string path, FailureKind kind, std::string detail) {
        failures_.push_back({std::move(path), kind, std::move(detail)});
    }

    // base + backslash + relative, where relative must stay below base.
    std::optional<std::string> Below(std::string_view base, std::string_view relative) {
        if (NameCheck check = CheckRelativePath(relative); check != NameCheck::kSafe) {
            Fail(std::string(relative), FailureKind::kUnsafeName, DescribeNameCheck(check));
            return std::nullopt;
        }
        std::optional<std::string> path = JoinPath(base, relative);
        if (!path) {
            Fail(std::string(base) + "\\" + std::string(relative), FailureKind::kPathTooLong, "longer than 255 bytes");
        }
        return path;
    }

    std::optional<std::string> SpecialFolder(int csidl) {
        std::string path;
        if (!shell_.GetSpecialFolderPath(path, csidl) || path.empty()) {
            Fail(csidl == kCsidlDesktop ? "desktop" : "Programs", FailureKind::kSpecialFolderUnknown,
                 "the shell did not name the folder");
            return std::nullopt;
        }
        return path;
    }

    std::optional<std::string> GroupFolder() {
        std::optional<std::string> programs = SpecialFolder(kCsidlPrograms);
        return programs ? Below(*programs, FieldText(package_.m_szGroup)) : std::nullopt;
    }

    // The desktop is looked up once, when the first record needs it.
    std::optional<std::string> Desktop() {
        if (!desktopLooked_) {
            desktopLooked_ = true;
            desktop_ = SpecialFolder(kCsidlDesktop);
        }
        return desktop_;
    }

    // Returns the link path, kept whether or not the shell saved the link;
    // empty when the record's names are refused.
    std::string MakeLink(const std::string& folder, const PackageShortcut& shortcut) {
        std::string_view targetName = FieldText(shortcut.szTarget);
        if (targetName.empty()) {
            targetName = FieldText(package_.m_szUninstaller);
        }
        std::optional<std::string> link = Below(folder, FieldText(shortcut.szLinkName));
        std::optional<std::string> target = Below(installDir_, targetName);
        std::optional<std::string> icon =
            FieldText(shortcut.szIcon).empty() ? target : Below(installDir_, FieldText(shortcut.szIcon));
        if (!link || !target || !icon) {
            return std::string();
        }
        if (!shell_.CreateShortcut(*link, *target, *icon)) {
            Fail(*link, FailureKind::kShortcutNotMade, "the shell did not save the link");
        }
        return *link;
    }

    const CPackageInfo& package_;
    ShellServices& shell_;
    std::vector<ExtractFailure>& failures_;
    std::string installDir_;
    bool desktopLooked_ = false;
    std::optional<std::string> desktop_;
};

}  // namespace

std::string ShortcutWorkingFolder(std::string_view target) {
    size_t last = LastSeparator(target);
    return std::string(last == std::string_view::npos ? target : target.substr(0, last));
}

ShortcutPaths MakeShortcuts(const CPackageInfo& package, ShellServices& shell, std::vector<ExtractFailure>& failures) {
    return ShortcutMaker(package, shell, failures).Run();
}

}  // namespace voz
