#include "packer/package_check.h"

#include "os/gbk.h"
#include "os/text_encoding.h"
#include "package/install_paths.h"
#include "packer/console_text.h"

namespace voz {

namespace {

std::string Quoted(std::string_view gbk) {
    std::string text(gbk);
    return "\"" + os::GbkToUtf8(text).value_or(text) + "\"";
}

std::string Numbered(const char* table, size_t index, const char* key, std::string_view gbk) {
    return std::string(table) + " #" + std::to_string(index + 1) + " " + key + Quoted(gbk);
}

// The item as the manifest names it: its key, with the entry's number in
// its table; folders and files by their path in the package.
std::string ItemName(const CPackageInfo& p, const NameProblem& problem) {
    const size_t i = problem.index;
    switch (problem.kind) {
    case NameKind::kInstallFolder: return "install_dir " + Quoted(FieldText(p.m_szInstallDir));
    case NameKind::kMainProgram: return "main_exe " + Quoted(FieldText(p.m_szMainExe));
    case NameKind::kGroup: return "group " + Quoted(FieldText(p.m_szGroup));
    case NameKind::kFolder: return "folder " + Quoted(FieldText(p.m_dirs[i].szName));
    case NameKind::kFile:
        return "file " +
               Quoted(JoinRelative(FieldText(p.m_dirs[i].szName), FieldText(p.m_dirs[i].files[problem.file].szName)));
    case NameKind::kLinkName: return Numbered("shortcut", i, "link ", FieldText(p.m_shortcuts[i].szLinkName));
    case NameKind::kTarget: return Numbered("shortcut", i, "target ", FieldText(p.m_shortcuts[i].szTarget));
    case NameKind::kIcon: return Numbered("shortcut", i, "icon ", FieldText(p.m_shortcuts[i].szIcon));
    case NameKind::kCopySource: return Numbered("style_copy", i, "source ", FieldText(p.m_copies[i].szSource));
    case NameKind::kCopyDest: return Numbered("style_copy", i, "dest ", FieldText(p.m_copies[i].szDest));
    case NameKind::kRemove: return Numbered("remove", i, "", FieldText(p.m_removes[i].szPath));
    }
    return "name";
}

// The item by the file or folder it was packed from, where there is one.
std::string SourceName(const PackageSource& source, const NameProblem& problem) {
    std::string path;
    if (problem.kind == NameKind::kFile) {
        path = source.SourceOf(problem.index, problem.file);
    } else if (problem.kind == NameKind::kFolder) {
        path = source.SourceOf(problem.index);
    }
    return path.empty() ? ItemName(source.record, problem) : path;
}

void CheckFolderCount(const PackageSource& source, PackReport& report) {
    const size_t folders = source.record.m_dirs.size();
    if (folders > static_cast<size_t>(kMaxDirs)) {
        const NameProblem firstBeyond{NameKind::kFolder, static_cast<size_t>(kMaxDirs), 0, NameCheck::kSafe};
        report.problems.push_back(SourceName(source, firstBeyond) + ": the package needs " + std::to_string(folders) +
                                  " folder records (one per " + Grouped(kMaxFilesPerDir) +
                                  " files of a folder); the setup holds at most " + Grouped(kMaxDirs));
    }
}

void CheckPathRoom(const CPackageInfo& p, PackReport& report) {
    if (CheckName(NameKind::kInstallFolder, FieldText(p.m_szInstallDir)) != NameCheck::kSafe) {
        return;
    }
    const long room = PathRoom(p);
    if (room >= 0 && room <= kPathRoomWarning) {
        report.warnings.push_back("install_dir " + Quoted(FieldText(p.m_szInstallDir)) +
                                  ": with the longest path of the package behind it, " + std::to_string(room) + " of " +
                                  std::to_string(gbk::kMaxPathBytes) + " bytes are left; an install folder " +
                                  "chosen more than " + std::to_string(room) + " bytes longer cannot hold every file");
    }
}

}  // namespace

void CheckPackageSource(const PackageSource& source, PackReport& report) {
    for (const NameProblem& problem : CheckPackageNames(source.record)) {
        report.problems.push_back(SourceName(source, problem) + ": " + DescribeNameCheck(problem.check));
    }
    CheckFolderCount(source, report);
    CheckPathRoom(source.record, report);
}

NameReport JudgeNames(const CPackageInfo& package) {
    NameReport report;
    for (const NameProblem& problem : CheckPackageNames(package)) {
        (problem.refused ? report.refused : report.notes)
            .push_back(ItemName(package, problem) + ": " + DescribeNameCheck(problem.check));
    }
    return report;
}

}  // namespace voz
