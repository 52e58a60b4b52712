#include "package/shortcuts.h"

#include <optional>

#include "os/filesystem.h"
#include "os/gbk.h"
#include "package/install_paths.h"
#include "package/install_rules.h"

namespace voz {

namespace {

void AddFailure(std::vector<ExtractFailure>& failures, std::string path, FailureKind kind, std::string detail,
                FailureItem item, NameCheck name = NameCheck::kSafe, uint32_t error = 0) {
    failures.push_back({std::move(path), kind, std::move(detail), item, name, error});
}

class ShortcutPlanner {
public:
    ShortcutPlanner(const CPackageInfo& package, const gbk::Path& installDir, ShellServices& shell,
                    std::vector<ExtractFailure>& failures)
        : m_package(package), m_shell(shell), m_failures(failures), m_installDir(installDir) {}

    ShortcutPlan Run() {
        ShortcutPlan plan;
        ShortcutPaths& paths = plan.paths;
        // Without a group name the links go straight into the Programs
        // folder, and the uninstall data names that folder followed by a
        // backslash.
        std::optional<gbk::Path> group = GroupFolder();
        if (group) {
            paths.group = group->text() + (FieldText(m_package.m_szGroup).empty() ? "\\" : "");
            plan.groupFolder = group->text();
        }
        paths.links.resize(m_package.m_shortcuts.size());
        for (size_t i = 0; i < m_package.m_shortcuts.size(); ++i) {
            const PackageShortcut& shortcut = m_package.m_shortcuts[i];
            std::optional<gbk::Path> folder;
            if (shortcut.nPlace == kPlaceDesktop) {
                folder = Desktop();
            } else if (shortcut.nPlace == kPlaceGroup) {
                folder = group;
            } else {
                continue;  // no link for this record; its slot stays empty
            }
            if (folder) {
                paths.links[i] = PlanLink(*folder, shortcut, plan.links);
            }
        }
        return plan;
    }

private:
    void Fail(std::string path, FailureKind kind, std::string detail, FailureItem item,
              NameCheck name = NameCheck::kSafe) {
        AddFailure(m_failures, std::move(path), kind, std::move(detail), item, name);
    }

    // base + backslash + relative, once relative has passed the rule of its
    // kind; just base for an empty name that the kind allows.
    std::optional<gbk::Path> Below(const gbk::Path& base, NameKind kind, std::string_view relative, FailureItem item) {
        if (NameCheck check = CheckName(kind, relative); check != NameCheck::kSafe) {
            Fail(std::string(relative), FailureKind::kUnsafeName, DescribeNameCheck(check), item, check);
            return std::nullopt;
        }
        std::optional<gbk::Path> path = base.Join(relative);
        if (!path) {
            Fail(base.text() + "\\" + std::string(relative), FailureKind::kPathTooLong, PathTooLongText(), item);
        }
        return path;
    }

    std::optional<gbk::Path> SpecialFolder(int csidl) {
        const FailureItem item = csidl == kCsidlDesktop ? FailureItem::kDesktop : FailureItem::kProgramsFolder;
        std::string text;
        if (!m_shell.GetSpecialFolderPath(text, csidl) || text.empty()) {
            Fail("", FailureKind::kSpecialFolderUnknown, "the shell did not name the folder", item);
            return std::nullopt;
        }
        std::optional<gbk::Path> path = gbk::Path::From(text);
        if (!path) {
            Fail(text, FailureKind::kPathTooLong, PathTooLongText(), item);
        }
        return path;
    }

    std::optional<gbk::Path> GroupFolder() {
        std::optional<gbk::Path> programs = SpecialFolder(kCsidlPrograms);
        return programs ? Below(*programs, NameKind::kGroup, FieldText(m_package.m_szGroup), FailureItem::kProgramGroup)
                        : std::nullopt;
    }

    // The desktop is looked up once, when the first record needs it.
    std::optional<gbk::Path> Desktop() {
        if (!m_desktopLooked) {
            m_desktopLooked = true;
            m_desktop = SpecialFolder(kCsidlDesktop);
        }
        return m_desktop;
    }

    // Returns the link path, added to `links`; empty when the record's names are refused.
    std::string PlanLink(const gbk::Path& folder, const PackageShortcut& shortcut,
                         std::vector<ShortcutPlan::Link>& links) {
        std::string_view targetName = FieldText(shortcut.szTarget);
        if (targetName.empty()) {
            targetName = FieldText(m_package.m_szUninstaller);
        }
        std::optional<gbk::Path> link =
            Below(folder, NameKind::kLinkName, FieldText(shortcut.szLinkName), FailureItem::kShortcut);
        std::optional<gbk::Path> target = Below(m_installDir, NameKind::kTarget, targetName, FailureItem::kShortcut);
        std::optional<gbk::Path> icon =
            FieldText(shortcut.szIcon).empty()
                ? target
                : Below(m_installDir, NameKind::kIcon, FieldText(shortcut.szIcon), FailureItem::kShortcut);
        if (!link || !target || !icon) {
            return std::string();
        }
        links.push_back({link->text(), target->text(), icon->text()});
        return link->text();
    }

    const CPackageInfo& m_package;
    ShellServices& m_shell;
    std::vector<ExtractFailure>& m_failures;
    const gbk::Path& m_installDir;
    bool m_desktopLooked = false;
    std::optional<gbk::Path> m_desktop;
};

}  // namespace

std::string ShortcutWorkingFolder(std::string_view target) {
    size_t last = gbk::LastSeparator(target);
    return std::string(last == std::string_view::npos ? target : target.substr(0, last));
}

ShortcutPlan PlanShortcuts(const CPackageInfo& package, const gbk::Path& installDir, ShellServices& shell,
                           std::vector<ExtractFailure>& failures) {
    return ShortcutPlanner(package, installDir, shell, failures).Run();
}

void MakeShortcuts(const ShortcutPlan& plan, ShellServices& shell, std::vector<ExtractFailure>& failures) {
    // The group is made even when no shortcut goes into it.
    if (!plan.groupFolder.empty() && !CreateDirectoryPath(plan.groupFolder)) {
        const uint32_t error = os::LastErrorCode();
        AddFailure(failures, plan.groupFolder, FailureKind::kFolderNotCreated, os::ErrorText(error),
                   FailureItem::kProgramGroup, NameCheck::kSafe, error);
    }
    for (const ShortcutPlan::Link& link : plan.links) {
        if (!shell.CreateShortcut(link.link, link.target, link.icon)) {
            AddFailure(failures, link.link, FailureKind::kShortcutNotMade, "the shell did not save the link",
                       FailureItem::kShortcut);
        }
    }
}

}  // namespace voz
