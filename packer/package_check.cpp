#include "packer/package_check.h"

#include "os/gbk.h"
#include "os/text_encoding.h"
#include "packer/console_text.h"

namespace voz {

namespace {

std::string Quoted(std::string_view gbk) {
    std::string text(gbk);
    return "\"" + os::GbkToUtf8(text).value_or(text) + "\"";
}

std::string Numbered(const char* table, size_t index, const char* key) {
    return std::string(table) + " #" + std::to_string(index + 1) + " " + key;
}

// The item as the manifest names it: its key, with the entry's number in
// its table; folders and files by their path in the package.
std::string ItemName(const PackageNames& names, const NameProblem& p) {
    switch (p.kind) {
    case NameKind::kInstallFolder: return "install_dir " + Quoted(names.installDir);
    case NameKind::kMainProgram: return "main_exe " + Quoted(names.mainExe);
    case NameKind::kGroup: return "group " + Quoted(names.group);
    case NameKind::kFolder: return "folder " + Quoted(names.folders[p.index].name);
    case NameKind::kFile: {
        const FolderNames& folder = names.folders[p.index];
        std::string path(folder.name);
        return "file " + Quoted(path.empty() ? std::string(folder.files[p.file])
                                             : path + "\\" + std::string(folder.files[p.file]));
    }
    case NameKind::kLinkName: return Numbered("shortcut", p.index, "link ") + Quoted(names.shortcuts[p.index].link);
    case NameKind::kTarget: return Numbered("shortcut", p.index, "target ") + Quoted(names.shortcuts[p.index].target);
    case NameKind::kIcon: return Numbered("shortcut", p.index, "icon ") + Quoted(names.shortcuts[p.index].icon);
    case NameKind::kCopySource:
        return Numbered("style_copy", p.index, "source ") + Quoted(names.copies[p.index].source);
    case NameKind::kCopyDest: return Numbered("style_copy", p.index, "dest ") + Quoted(names.copies[p.index].dest);
    case NameKind::kRemove: return Numbered("remove", p.index, "") + Quoted(names.removes[p.index]);
    }
    return "name";
}

// The file or folder a record was packed from, for messages; empty when made otherwise.
std::string SourceOf(const PackFile& file) {
    const auto* path = std::get_if<os::NativePath>(&file.content);
    return path != nullptr ? PathText(*path) : std::string();
}

std::string SourceOf(const PackDir& dir) { return dir.source.empty() ? std::string() : PathText(dir.source); }

void CheckPathRoom(const PackageNames& names, PackReport& report) {
    if (CheckName(NameKind::kInstallFolder, names.installDir) != NameCheck::kSafe) {
        return;
    }
    const long room = PathRoom(names);
    if (room >= 0 && room <= kPathRoomWarning) {
        report.warnings.push_back("install_dir " + Quoted(names.installDir) + ": with the longest path of the package " +
                                  "behind it, " + std::to_string(room) + " of " + std::to_string(gbk::kMaxPathBytes) + " bytes are left; an install folder " +
                                  "chosen more than " + std::to_string(room) + " bytes longer cannot hold every file");
    }
}

}  // namespace

PackageNames NamesOf(const PackageSpec& spec) {
    PackageNames names;
    names.installDir = spec.installDir;
    names.mainExe = spec.mainExe;
    names.group = spec.group;
    for (const PackDir& dir : spec.dirs) {
        FolderNames folder{dir.name, {}};
        for (const PackFile& file : dir.files) {
            folder.files.push_back(file.name);
        }
        names.folders.push_back(std::move(folder));
    }
    for (const PackShortcut& s : spec.shortcuts) {
        names.shortcuts.push_back({s.linkName, s.target, s.icon});
    }
    for (const PackCopy& c : spec.copies) {
        names.copies.push_back({c.source, c.dest});
    }
    names.removes.assign(spec.removes.begin(), spec.removes.end());
    return names;
}

void CheckPackageSpec(const PackageSpec& spec, PackReport& report) {
    const PackageNames names = NamesOf(spec);
    for (const NameProblem& p : CheckPackageNames(names)) {
        std::string where = ItemName(names, p);
        if (p.kind == NameKind::kFile && !SourceOf(spec.dirs[p.index].files[p.file]).empty()) {
            where = SourceOf(spec.dirs[p.index].files[p.file]);
        } else if (p.kind == NameKind::kFolder && !spec.dirs[p.index].source.empty()) {
            where = SourceOf(spec.dirs[p.index]);
        }
        report.problems.push_back(where + ": " + DescribeNameCheck(p.check));
    }
    if (spec.dirs.size() > static_cast<size_t>(kMaxDirs)) {
        const PackDir& first = spec.dirs[kMaxDirs];
        report.problems.push_back((first.source.empty() ? "folder " + Quoted(first.name) : SourceOf(first)) +
                                  ": the package needs " + std::to_string(spec.dirs.size()) +
                                  " folder records (one per 512 files of a folder); the setup holds at most 1,024");
    }
    CheckPathRoom(names, report);
}

std::vector<std::string> RefusedNames(const CPackageInfo& package) {
    const PackageNames names = NamesOf(package);
    std::vector<std::string> lines;
    for (const NameProblem& p : CheckPackageNames(names)) {
        lines.push_back(ItemName(names, p) + ": " + DescribeNameCheck(p.check));
    }
    return lines;
}

}  // namespace voz
