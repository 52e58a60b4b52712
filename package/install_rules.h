// The rules the installation applies to every name a package holds. The
// installation engine refuses what they refuse, and the packing tool and its
// verify and list commands judge packages by the same rules, so that a
// package the setup would refuse is never built and a built one is reported
// as the setup will treat it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "package/package_info.h"

namespace voz {

enum class NameCheck {
    kSafe,
    kEmpty,          // no name where one is needed
    kNotGbk,         // bytes that are not GBK text
    kTooLong,        // more bytes than the package's field for it holds
    kLeavesFolder,   // an absolute path, a drive letter or colon, a "." or ".." component
    kBadCharacter,   // a character Windows does not allow in names, or an empty folder name
    kTrailingDot,    // a name ending in a dot or space, which Windows would silently drop
    kDeviceName,     // CON, NUL, COM1 and the like, which name devices rather than files
    kTemporaryName,  // ends like the setup's temporary files (kNewFileSuffix, kOldFileSuffix)
    kHasFolder,      // a folder part in what must be a bare file name
    kNotAbsolute,    // an install folder that is neither "X:\..." nor "\\server\share..."
    kNotInPackage,   // a file the package neither holds nor makes by a style copy
    kPathTooLong,    // with the install folder in front, longer than a path may be
};

std::string DescribeNameCheck(NameCheck check);

// What a name stands for; each kind has its own rule.
enum class NameKind {
    kInstallFolder,  // absolute: a drive letter with a backslash, or \\server\share
    kMainProgram,    // a path relative to the install folder
    kGroup,          // below the Start menu's Programs folder; empty: the Programs folder itself
    kFolder,         // a folder record, relative to the install folder; empty: the install folder itself
    kFile,           // a bare file name inside its folder record
    kLinkName,       // the link file, below the desktop or the program group
    kTarget,         // relative to the install folder; empty: the uninstaller
    kIcon,           // relative to the install folder; empty: the target's own icon
    kCopySource,     // relative to the install folder
    kCopyDest,       // relative to the install folder
    kRemove,         // relative to the install folder; empty: nothing is removed
};

// The setup's temporary files beside a file it replaces end in these: the new
// bytes while they are written, and the earlier file while it is swapped.
// No name may end in them (in any case), so a file that does is always the
// setup's own, left by a run that was stopped, and never a client's file.
inline constexpr std::string_view kNewFileSuffix = ".~vn";
inline constexpr std::string_view kOldFileSuffix = ".~vo";
bool IsTemporaryName(std::string_view name);

// Whether `name`, GBK or a native path, ends in the ASCII `suffix` (lower
// case) after at least one more character, its letters in either case.
template <typename Name>
bool EndsInAnyCase(const Name& name, std::string_view suffix) {
    if (name.size() <= suffix.size()) {
        return false;
    }
    for (size_t i = 0; i < suffix.size(); ++i) {
        const auto c = name[name.size() - suffix.size() + i];
        if ((c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) != suffix[i]) {
            return false;
        }
    }
    return true;
}

// Whether the setup accepts `gbk` as a name of this kind, and why not.
NameCheck CheckName(NameKind kind, std::string_view gbk);

// Checks a path relative to the install folder (or to a special folder). Both
// backslash and slash separate folders; a byte that is the second byte of a
// double-byte GBK character is never taken for a separator.
NameCheck CheckRelativePath(std::string_view gbk);

// The key under which Windows finds a path: single-byte letters in one case,
// slashes as backslashes; the bytes of Chinese characters stay as they are.
// Two paths with the same key name the same file.
std::string PathKey(std::string_view gbk);

// One name of a package that breaks a rule: its kind, the position of its
// record in its table (the folder record for kFile), the file's position in
// that record, and why. `refused`: the setup refuses the item when it
// installs the package (into its default folder, with the item's style);
// otherwise only the packing tool insists on the rule, and the setup installs
// the package as it is.
struct NameProblem {
    NameKind kind;
    size_t index = 0;
    size_t file = 0;
    NameCheck check;
    bool refused = true;
};

// Every name of the package that breaks a rule: each name by its kind's
// rule, every path the installation forms below the default install folder
// must fit, and the main program, shortcut targets and icons and style-copy
// sources should name a packed file or a style copy's destination. The setup
// refuses a link's names only where it makes the link (desktop or group), and
// never looks at the main program's name.
std::vector<NameProblem> CheckPackageNames(const CPackageInfo& package);

// The bytes a path below the default install folder may still grow by: 255
// less the longest path the installation forms there (negative when one is
// already too long).
long PathRoom(const CPackageInfo& package);

}  // namespace voz
