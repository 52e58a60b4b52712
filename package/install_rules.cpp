#include "package/install_rules.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "os/gbk.h"
#include "package/install_paths.h"
#include "package/package_format.h"

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
    std::transform(base.begin(), base.end(), base.begin(), [](char c) { return std::toupper(static_cast<unsigned char>(c)); });
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (base == device) {
            return true;
        }
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' &&
           base[3] <= '9';
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
    const bool drive = gbk.size() >= 3 && std::isalpha(static_cast<unsigned char>(gbk[0])) && gbk[1] == ':' &&
                       IsSeparator(gbk[2]);
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

size_t FieldSize(NameKind kind) {
    switch (kind) {
    case NameKind::kMainProgram:
    case NameKind::kGroup:
    case NameKind::kFolder:
    case NameKind::kFile: return kNameField;
    default: return kPathField;
    }
}

bool MayBeEmpty(NameKind kind) {
    return kind == NameKind::kGroup || kind == NameKind::kFolder || kind == NameKind::kTarget ||
           kind == NameKind::kIcon || kind == NameKind::kRemove;
}

std::string FilePath(std::string_view folder, std::string_view file) {
    std::string path(folder);
    if (!path.empty()) {
        path += '\\';
    }
    return path += file;
}

// Collects the problems of one package.
class NameJudge {
public:
    explicit NameJudge(const PackageNames& names) : m_names(names) {
        for (const FolderNames& folder : names.folders) {
            for (std::string_view file : folder.files) {
                m_installed.insert(PathKey(FilePath(folder.name, file)));
            }
        }
        for (const CopyNames& copy : names.copies) {
            m_installed.insert(PathKey(copy.dest));
        }
    }

    std::vector<NameProblem> Run() {
        const bool folderUsable = Name(NameKind::kInstallFolder, m_names.installDir, 0);
        Reference(NameKind::kMainProgram, m_names.mainExe, 0);
        Name(NameKind::kGroup, m_names.group, 0);
        for (size_t d = 0; d < m_names.folders.size(); ++d) {
            const FolderNames& folder = m_names.folders[d];
            const bool folderSafe = Name(NameKind::kFolder, folder.name, d);
            for (size_t f = 0; f < folder.files.size(); ++f) {
                if (Name(NameKind::kFile, folder.files[f], d, f) && folderSafe && folderUsable) {
                    Fits(NameKind::kFile, FilePath(folder.name, folder.files[f]), d, f);
                }
            }
        }
        for (size_t i = 0; i < m_names.shortcuts.size(); ++i) {
            const ShortcutNames& shortcut = m_names.shortcuts[i];
            Name(NameKind::kLinkName, shortcut.link, i);
            Reference(NameKind::kTarget, shortcut.target, i);
            Reference(NameKind::kIcon, shortcut.icon, i);
        }
        for (size_t i = 0; i < m_names.copies.size(); ++i) {
            Reference(NameKind::kCopySource, m_names.copies[i].source, i);
            if (Name(NameKind::kCopyDest, m_names.copies[i].dest, i) && folderUsable) {
                Fits(NameKind::kCopyDest, m_names.copies[i].dest, i);
            }
        }
        for (size_t i = 0; i < m_names.removes.size(); ++i) {
            Name(NameKind::kRemove, m_names.removes[i], i);
        }
        return std::move(m_problems);
    }

private:
    bool Add(NameKind kind, size_t index, size_t file, NameCheck check) {
        if (check != NameCheck::kSafe) {
            m_problems.push_back({kind, index, file, check});
        }
        return check == NameCheck::kSafe;
    }

    bool Name(NameKind kind, std::string_view name, size_t index, size_t file = 0) {
        return Add(kind, index, file, CheckName(kind, name));
    }

    // A name that must be one of the files the installation leaves.
    void Reference(NameKind kind, std::string_view name, size_t index) {
        if (Name(kind, name, index) && !name.empty() && m_installed.count(PathKey(name)) == 0) {
            Add(kind, index, 0, NameCheck::kNotInPackage);
        }
    }

    void Fits(NameKind kind, std::string_view relative, size_t index, size_t file = 0) {
        if (m_names.installDir.size() + 1 + relative.size() > kPathField - 1) {
            Add(kind, index, file, NameCheck::kPathTooLong);
        }
    }

    const PackageNames& m_names;
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

const char* DescribeNameCheck(NameCheck check) {
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
    case NameCheck::kPathTooLong: return "below the install folder the path is longer than 255 bytes";
    }
    return "the name is not usable";
}

bool IsTemporaryName(std::string_view name) {
    auto endsIn = [&](std::string_view suffix) {
        return name.size() > suffix.size() &&
               std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<ptrdiff_t>(suffix.size()),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(b)) == a; });
    };
    return endsIn(kNewFileSuffix) || endsIn(kOldFileSuffix);
}

NameCheck CheckName(NameKind kind, std::string_view gbk) {
    if (gbk.empty()) {
        return MayBeEmpty(kind) ? NameCheck::kSafe : NameCheck::kEmpty;
    }
    if (gbk.size() > FieldSize(kind) - 1) {
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

PackageNames NamesOf(const CPackageInfo& package) {
    PackageNames names;
    names.installDir = FieldText(package.m_szInstallDir);
    names.mainExe = FieldText(package.m_szMainExe);
    names.group = FieldText(package.m_szGroup);
    for (const PackageDir& dir : package.m_dirs) {
        FolderNames folder{FieldText(dir.szName), {}};
        for (const PackageFile& file : dir.files) {
            folder.files.push_back(FieldText(file.szName));
        }
        names.folders.push_back(std::move(folder));
    }
    for (const PackageShortcut& s : package.m_shortcuts) {
        names.shortcuts.push_back({FieldText(s.szLinkName), FieldText(s.szTarget), FieldText(s.szIcon)});
    }
    for (const PackageCopy& copy : package.m_copies) {
        names.copies.push_back({FieldText(copy.szSource), FieldText(copy.szDest)});
    }
    for (const PackageRemove& remove : package.m_removes) {
        names.removes.push_back(FieldText(remove.szPath));
    }
    return names;
}

std::vector<NameProblem> CheckPackageNames(const PackageNames& names) { return NameJudge(names).Run(); }

long PathRoom(const PackageNames& names) {
    size_t longest = std::string_view(kUninstallerName).size();
    for (const FolderNames& folder : names.folders) {
        for (std::string_view file : folder.files) {
            longest = std::max(longest, FilePath(folder.name, file).size());
        }
    }
    for (const CopyNames& copy : names.copies) {
        longest = std::max(longest, copy.dest.size());
    }
    return static_cast<long>(gbk::kMaxPathBytes) - static_cast<long>(names.installDir.size() + 1 + longest);
}

}  // namespace voz
