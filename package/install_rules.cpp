#include "package/install_rules.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "os/gbk.h"
#include "package/install_paths.h"
#include "package/package_layout.h"

namespace voz {

namespace {

using gbk::IsLeadByte;
using gbk::IsTrailByte;
using gbk::LastSeparator;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Splits at real separator characters. False when a lead byte has no valid
// trail byte, which no GBK decoder would accept either.
bool SplitComponents(std::string_view gbk, std::vector<std::string_view>& parts) {
    size_t start = 0;
    for (size_t i = 0; i < gbk.size(); ++i) {
        auto c = static_cast<unsigned char>(gbk[i]);
        if (IsLeadByte(c)) {
            if (i + 1 >= gbk.size() || !IsTrailByte(static_cast<unsigned char>(gbk[i + 1]))) {
                return false;
            }
            ++i;
        } else if (IsSeparator(gbk[i])) {
            parts.push_back(gbk.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(gbk.substr(start));
    return true;
}

bool IsDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    std::transform(base.begin(), base.end(), base.begin(),
                   [](char c) { return std::toupper(static_cast<unsigned char>(c)); });
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (base == device) {
            return true;
        }
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' && base[3] <= '9';
}

NameCheck CheckComponent(std::string_view part) {
    if (part.empty()) {
        return NameCheck::kBadCharacter;
    }
    if (part.find_first_not_of(". ") == std::string_view::npos) {
        return NameCheck::kLeavesFolder;
    }
    for (size_t i = 0; i < part.size(); ++i) {
        auto c = static_cast<unsigned char>(part[i]);
        if (IsLeadByte(c)) {
            ++i;  // the trail byte is part of a Chinese character, whatever its value
        } else if (c == ':') {
            return NameCheck::kLeavesFolder;
        } else if (c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
            return NameCheck::kBadCharacter;
        }
    }
    if (part.back() == '.' || part.back() == ' ') {
        return NameCheck::kTrailingDot;
    }
    if (IsDeviceName(part)) {
        return NameCheck::kDeviceName;
    }
    if (IsTemporaryName(part)) {
        return NameCheck::kTemporaryName;
    }
    return NameCheck::kSafe;
}

NameCheck CheckComponents(const std::vector<std::string_view>& parts, size_t first, size_t end) {
    for (size_t i = first; i < end; ++i) {
        if (NameCheck check = CheckComponent(parts[i]); check != NameCheck::kSafe) {
            return check;
        }
    }
    return NameCheck::kSafe;
}

// "X:\" or "\\server\share" in front, then folder names; one closing
// backslash is allowed, as the folder browser gives one for a drive.
NameCheck CheckAbsoluteFolder(std::string_view gbk) {
    std::vector<std::string_view> parts;
    if (!SplitComponents(gbk, parts)) {
        return NameCheck::kNotGbk;
    }
    size_t first = 0;
    const bool drive =
        gbk.size() >= 3 && std::isalpha(static_cast<unsigned char>(gbk[0])) && gbk[1] == ':' && IsSeparator(gbk[2]);
    if (drive) {
        first = 1;
    } else if (parts.size() >= 4 && parts[0].empty() && parts[1].empty() && !parts[2].empty() && !parts[3].empty()) {
        first = 2;  // server and share are names like any other
    } else {
        return NameCheck::kNotAbsolute;
    }
    size_t end = parts.size();
    if (end > first + 1 && parts.back().empty()) {
        --end;
    }
    if (drive && end == first + 1 && parts[first].empty()) {
        return NameCheck::kSafe;  // the drive's root
    }
    return CheckComponents(parts, first, end);
}

// The size of the package field a name of this kind is read into.
int FieldSize(NameKind kind) {
    switch (kind) {
    case NameKind::kInstallFolder: return layout::kInstallDir.kSize;
    case NameKind::kMainProgram: return layout::kMainExe.kSize;
    case NameKind::kGroup: return layout::kGroup.kSize;
    case NameKind::kFolder: return layout::kDirName.kSize;
    case NameKind::kFile: return layout::kFileName.kSize;
    case NameKind::kLinkName: return layout::kLinkName.kSize;
    case NameKind::kTarget: return layout::kTarget.kSize;
    case NameKind::kIcon: return layout::kIcon.kSize;
    case NameKind::kCopySource: return layout::kCopySource.kSize;
    case NameKind::kCopyDest: return layout::kCopyDest.kSize;
    case NameKind::kRemove: return layout::kRemove.kSize;
    }
    return 0;
}

bool MayBeEmpty(NameKind kind) {
    return kind == NameKind::kGroup || kind == NameKind::kFolder || kind == NameKind::kTarget ||
           kind == NameKind::kIcon || kind == NameKind::kRemove;
}

// Collects the problems of one package.
class NameJudge {
public:
    explicit NameJudge(const CPackageInfo& package)
        : m_package(package), m_installDir(FieldText(package.m_szInstallDir)) {
        for (const PackageDir& dir : package.m_dirs) {
            for (const PackageFile& file : dir.files) {
                m_installed.insert(PathKey(JoinRelative(FieldText(dir.szName), FieldText(file.szName))));
            }
        }
        for (const PackageCopy& copy : package.m_copies) {
            m_installed.insert(PathKey(FieldText(copy.szDest)));
        }
    }

    std::vector<NameProblem> Run() {
        // The folder page refuses an unusable folder, and the uninstaller goes into any folder.
        m_folderUsable =
            Name(NameKind::kInstallFolder, m_installDir, 0) && Fits(NameKind::kInstallFolder, kUninstallerName, 0);
        Reference(NameKind::kMainProgram, FieldText(m_package.m_szMainExe), 0);
        Name(NameKind::kGroup, FieldText(m_package.m_szGroup), 0);
        for (size_t d = 0; d < m_package.m_dirs.size(); ++d) {
            Folder(d);
        }
        for (size_t i = 0; i < m_package.m_shortcuts.size(); ++i) {
            Shortcut(i);
        }
        for (size_t i = 0; i < m_package.m_copies.size(); ++i) {
            const PackageCopy& copy = m_package.m_copies[i];
            Reference(NameKind::kCopySource, FieldText(copy.szSource), i);
            Below(NameKind::kCopyDest, FieldText(copy.szDest), i);
        }
        for (size_t i = 0; i < m_package.m_removes.size(); ++i) {
            Below(NameKind::kRemove, FieldText(m_package.m_removes[i].szPath), i);
        }
        return std::move(m_problems);
    }

private:
    // A folder record and its files; the files of a refused folder are refused with it.
    void Folder(size_t d) {
        const PackageDir& dir = m_package.m_dirs[d];
        const std::string_view name = FieldText(dir.szName);
        const bool folderSafe = Below(NameKind::kFolder, name, d);
        for (size_t f = 0; f < dir.files.size(); ++f) {
            const std::string_view file = FieldText(dir.files[f].szName);
            if (Name(NameKind::kFile, file, d, f) && folderSafe && m_folderUsable) {
                Fits(NameKind::kFile, JoinRelative(name, file), d, f);
            }
        }
    }

    void Shortcut(size_t i) {
        const PackageShortcut& shortcut = m_package.m_shortcuts[i];
        Name(NameKind::kLinkName, FieldText(shortcut.szLinkName), i);
        Reference(NameKind::kTarget, FieldText(shortcut.szTarget), i);
        Reference(NameKind::kIcon, FieldText(shortcut.szIcon), i);
    }

    // Whether the setup applies rules to the item at all. It takes the main
    // program's name only for the icon of its entry in the list of installed
    // apps, and refuses none; it looks at a shortcut's names only where it
    // makes the link.
    bool SetupApplies(NameKind kind, size_t index) const {
        switch (kind) {
        case NameKind::kMainProgram: return false;
        case NameKind::kLinkName:
        case NameKind::kTarget:
        case NameKind::kIcon: {
            const int32_t place = m_package.m_shortcuts[index].nPlace;
            return place == kPlaceDesktop || place == kPlaceGroup;
        }
        default: return true;
        }
    }

    // `setupRule`: the setup applies the rule broken, where it applies rules to this item at all.
    bool Add(NameKind kind, size_t index, size_t file, NameCheck check, bool setupRule = true) {
        if (check != NameCheck::kSafe) {
            m_problems.push_back({kind, index, file, check, setupRule && SetupApplies(kind, index)});
        }
        return check == NameCheck::kSafe;
    }

    bool Name(NameKind kind, std::string_view name, size_t index, size_t file = 0) {
        return Add(kind, index, file, CheckName(kind, name));
    }

    // A name the installation joins to the install folder: by its rule, then its length there.
    bool Below(NameKind kind, std::string_view name, size_t index) {
        return Name(kind, name, index) && (!m_folderUsable || Fits(kind, name, index));
    }

    // A name that should be one of the files the installation leaves; the
    // setup itself does not ask for it.
    void Reference(NameKind kind, std::string_view name, size_t index) {
        if (Below(kind, name, index) && !name.empty() && m_installed.count(PathKey(name)) == 0) {
            Add(kind, index, 0, NameCheck::kNotInPackage, false);
        }
    }

    bool Fits(NameKind kind, std::string_view relative, size_t index, size_t file = 0) {
        return Add(
            kind, index, file,
            m_installDir.size() + 1 + relative.size() > kMaxPathBytes ? NameCheck::kPathTooLong : NameCheck::kSafe);
    }

    const CPackageInfo& m_package;
    const std::string_view m_installDir;
    bool m_folderUsable = false;
    std::set<std::string> m_installed;
    std::vector<NameProblem> m_problems;
};

}  // namespace

std::string PathKey(std::string_view gbk) {
    std::string key(gbk);
    for (size_t i = 0; i < key.size(); ++i) {
        auto c = static_cast<unsigned char>(key[i]);
        if (IsLeadByte(c)) {
            ++i;
        } else if (c == '/') {
            key[i] = '\\';
        } else {
            key[i] = static_cast<char>(std::tolower(c));
        }
    }
    return key;
}

std::string DescribeNameCheck(NameCheck check) {
    switch (check) {
    case NameCheck::kSafe: return "the name is usable";
    case NameCheck::kEmpty: return "the name is empty";
    case NameCheck::kNotGbk: return "the name is not GBK text";
    case NameCheck::kTooLong: return "the name is longer than the setup holds";
    case NameCheck::kLeavesFolder: return "the name leads out of its folder";
    case NameCheck::kBadCharacter: return "the name holds a character Windows does not allow";
    case NameCheck::kTrailingDot: return "the name ends in a dot or a space";
    case NameCheck::kDeviceName: return "the name is a Windows device name";
    case NameCheck::kTemporaryName: return "the name ends like the setup's temporary files (.~vn, .~vo)";
    case NameCheck::kHasFolder: return "a file name may not hold a folder";
    case NameCheck::kNotAbsolute: return "the folder is not absolute (X:\\... or \\\\server\\share)";
    case NameCheck::kNotInPackage: return "no packed file and no style copy's destination has this name";
    case NameCheck::kPathTooLong: return "below the install folder the path is " + PathTooLongText();
    }
    return "the name is not usable";
}

bool IsTemporaryName(std::string_view name) {
    return EndsInAnyCase(name, kNewFileSuffix) || EndsInAnyCase(name, kOldFileSuffix);
}

NameCheck CheckName(NameKind kind, std::string_view gbk) {
    if (gbk.empty()) {
        return MayBeEmpty(kind) ? NameCheck::kSafe : NameCheck::kEmpty;
    }
    if (gbk.size() > static_cast<size_t>(FieldSize(kind) - 1)) {
        return NameCheck::kTooLong;
    }
    if (kind == NameKind::kInstallFolder) {
        return CheckAbsoluteFolder(gbk);
    }
    NameCheck check = CheckRelativePath(gbk);
    if (check == NameCheck::kSafe && kind == NameKind::kFile && LastSeparator(gbk) != std::string_view::npos) {
        return NameCheck::kHasFolder;
    }
    return check;
}

NameCheck CheckRelativePath(std::string_view gbk) {
    if (gbk.empty()) {
        return NameCheck::kEmpty;
    }
    std::vector<std::string_view> parts;
    if (!SplitComponents(gbk, parts)) {
        return NameCheck::kNotGbk;
    }
    if (parts.front().empty() && parts.size() > 1) {
        return NameCheck::kLeavesFolder;  // starts at the root of a drive or share
    }
    return CheckComponents(parts, 0, parts.size());
}

std::vector<NameProblem> CheckPackageNames(const CPackageInfo& package) { return NameJudge(package).Run(); }

long PathRoom(const CPackageInfo& package) {
    size_t longest = std::string_view(kUninstallerName).size();
    for (const PackageDir& dir : package.m_dirs) {
        for (const PackageFile& file : dir.files) {
            longest = std::max(longest, JoinRelative(FieldText(dir.szName), FieldText(file.szName)).size());
        }
    }
    for (const PackageCopy& copy : package.m_copies) {
        longest = std::max(longest, FieldText(copy.szDest).size());
    }
    return static_cast<long>(kMaxPathBytes) - static_cast<long>(FieldText(package.m_szInstallDir).size() + 1 + longest);
}

}  // namespace voz
