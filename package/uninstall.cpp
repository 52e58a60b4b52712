#include "package/uninstall.h"

#include <algorithm>

#include "os/filesystem.h"
#include "os/text_encoding.h"
#include "os/gbk.h"
#include "package/install_paths.h"
#include "package/install_rules.h"

namespace voz {

namespace {

// ASCII letters in lower case; the second byte of a double-byte character is
// left as it is, since it may look like an ASCII letter.
std::string Folded(std::string_view path) {
    std::string out(path);
    for (size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (gbk::IsLeadByte(c) && i + 1 < out.size()) {
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        } else if (c == '/') {
            out[i] = '\\';
        }
    }
    while (!out.empty() && out.back() == '\\' && gbk::LastSeparator(out) == out.size() - 1) {
        out.pop_back();
    }
    return out;
}

bool IsDriveRoot(std::string_view folded) {
    if (folded.size() == 2 && folded[1] == ':') {
        return true;
    }
    // \\server\share and anything shorter
    if (folded.substr(0, 2) == "\\\\") {
        size_t server = folded.find('\\', 2);
        return server == std::string_view::npos || folded.find('\\', server + 1) == std::string_view::npos;
    }
    return false;
}

bool IsAbsolute(std::string_view folded) {
    return (folded.size() >= 3 && folded[1] == ':' && folded[2] == '\\') || folded.substr(0, 2) == "\\\\" ||
           (!folded.empty() && folded[0] == '\\');
}

bool EndsWithLnk(std::string_view path) {
    std::string folded = Folded(path);
    return folded.size() > 4 && folded.compare(folded.size() - 4, 4, ".lnk") == 0;
}

bool RemoveFileAt(std::string_view path) {
    os::NativePath native;
    return ToNativePath(path, native) && os::RemoveFile(native);
}

bool RemoveFolderAt(std::string_view path) {
    os::NativePath native;
    return ToNativePath(path, native) && os::RemoveEmptyFolder(native);
}

void CollectLeftovers(const os::NativePath& folder, const std::string& relative, size_t limit, Leftovers& found) {
    std::vector<os::FolderEntry> entries;
    if (!os::ListFolder(folder, entries)) {
        return;
    }
    if (entries.empty() && !relative.empty()) {
        ++found.total;
        if (found.names.size() < limit) {
            found.names.push_back(relative + "\\");
        }
    }
    for (const os::FolderEntry& entry : entries) {
        std::string name;
        if (!os::NativeToGbk(entry.name, name)) {
            name.assign(1, '?');  // a name GBK cannot hold
        }
        std::string path = relative.empty() ? name : relative + "\\" + name;
        os::NativePath native = folder + os::kSeparator + entry.name;
        if (entry.isFolder) {
            CollectLeftovers(native, path, limit, found);
        } else {
            ++found.total;
            if (found.names.size() < limit) {
                found.names.push_back(std::move(path));
            }
        }
    }
}

}  // namespace

bool SamePath(std::string_view a, std::string_view b) { return Folded(a) == Folded(b); }

bool IsInside(std::string_view path, std::string_view folder) {
    std::string p = Folded(path);
    std::string f = Folded(folder);
    return !f.empty() && p.size() > f.size() + 1 && p.compare(0, f.size(), f) == 0 && p[f.size()] == '\\';
}

bool IsProtectedFolder(std::string_view folder, const SpecialFolders& special) {
    std::string folded = Folded(folder);
    if (folded.empty() || !IsAbsolute(folded) || IsDriveRoot(folded)) {
        return true;
    }
    for (const std::string* guarded :
         {&special.desktop, &special.programs, &special.windows, &special.programFiles, &special.profile}) {
        if (!guarded->empty() && (SamePath(folder, *guarded) || IsInside(*guarded, folder))) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> RemoveLinks(const UninstallTable& table, const SpecialFolders& special) {
    std::vector<std::string> removed;
    for (const std::string& link : table.links) {
        if (EndsWithLnk(link) && (IsInside(link, special.desktop) || IsInside(link, special.programs)) &&
            RemoveFileAt(link)) {
            removed.push_back(link);
        }
    }
    return removed;
}

bool RemoveGroup(const UninstallTable& table, const SpecialFolders& special) {
    return IsInside(table.group, special.programs) && RemoveFolderAt(table.group);
}

Removal RemoveLogged(std::string_view installDir, const InstallLog& log, std::string_view uninstallerName) {
    Removal removal;
    const std::optional<gbk::Path> installFolder = gbk::Path::From(installDir);
    auto inInstallDir = [&](std::string_view relative) {
        return installFolder ? installFolder->Join(relative) : std::nullopt;
    };
    auto removeFile = [&](std::string_view relative) {
        std::optional<gbk::Path> path = inInstallDir(relative);
        os::NativePath native;
        if (!path || !ToNativePath(path->text(), native)) {
            return;
        }
        if (os::RemoveFile(native)) {
            removal.removed.push_back(path->text());
            return;
        }
        std::string why = os::LastErrorText();
        if (os::FileTime times[3]; os::GetFileTimes(native, times[0], times[1], times[2])) {  // still there
            removal.failures.push_back({path->text(), FailureKind::kDeleteFailed, std::move(why), FailureItem::kFile});
        }
    };
    for (const LoggedFile& file : log.files) {
        removeFile(file.path);
    }
    if (!uninstallerName.empty()) {
        removeFile(uninstallerName);
    }
    // A folder's path is longer than its parent's, so the longest go first.
    std::vector<std::string> folders = log.folders;
    std::sort(folders.begin(), folders.end(),
              [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    for (const std::string& folder : folders) {
        if (std::optional<gbk::Path> path = inInstallDir(folder); path && RemoveFolderAt(path->text())) {
            removal.removed.push_back(path->text() + '\\');
        }
    }
    return removal;
}

Leftovers FindLeftovers(std::string_view installDir, size_t limit) {
    Leftovers found;
    os::NativePath native;
    if (ToNativePath(installDir, native)) {
        CollectLeftovers(native, "", limit, found);
    }
    return found;
}

}  // namespace voz
