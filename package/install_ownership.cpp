#include "package/install_ownership.h"

#include "os/filesystem.h"
#include "package/install_rules.h"

namespace voz {

namespace {

// Whether `relative` is a folder (or else a file) in the install folder.
bool IsThere(const gbk::Path& installDir, const std::string& relative, bool folder) {
    std::optional<os::NativePath> native = installDir.NativeJoin(relative);
    return native && (folder ? os::IsFolder(*native) : os::FileSize(*native).has_value());
}

}  // namespace

void OwnershipBuilder::AddFolder(std::string_view relative) {
    if (m_folderKeys.insert(PathKey(relative)).second) {
        m_folders.emplace_back(relative);
    }
}

LoggedFile* OwnershipBuilder::Find(std::string_view relative) {
    const auto known = m_fileIndex.find(PathKey(relative));
    return known != m_fileIndex.end() ? &m_files[known->second] : nullptr;
}

void OwnershipBuilder::AddFile(std::string_view relative, std::optional<FileContent> content) {
    const auto [known, added] = m_fileIndex.emplace(PathKey(relative), m_files.size());
    if (added) {
        m_files.push_back({std::string(relative), content});
    } else {
        m_files[known->second].content = content;  // a path named again
    }
}

void OwnershipBuilder::AddCopy(std::string_view source, std::string_view dest) {
    const LoggedFile* known = Find(source);
    AddFile(dest, known != nullptr ? known->content : std::nullopt);
}

void OwnershipBuilder::Forget(std::string_view removed) { m_removed.push_back(PathKey(removed)); }

bool OwnershipBuilder::Removed(const std::string& key) const {
    for (const std::string& removed : m_removed) {
        // Keys of whole GBK paths: a backslash right after a matching prefix
        // starts a character of its own, so it is a real separator.
        if (key.compare(0, removed.size(), removed) == 0 &&
            (key.size() == removed.size() || key[removed.size()] == '\\')) {
            return true;
        }
    }
    return false;
}

OwnershipBuilder::Result OwnershipBuilder::Merge(const InstallLog& earlier, const gbk::Path& installDir) const {
    Result result;
    // The earlier folders first, so that the log keeps its order from run to run.
    std::set<std::string> folderKeys;
    for (const std::string& folder : earlier.folders) {
        const std::string key = PathKey(folder);
        if (!folder.empty() && !m_folderKeys.contains(key)) {
            result.obsoleteFolders.push_back(folder);
        }
        if (!Removed(key) && (m_folderKeys.contains(key) || IsThere(installDir, folder, true)) &&
            folderKeys.insert(key).second) {
            result.log.folders.push_back(folder);
        }
    }
    for (const std::string& folder : m_folders) {
        const std::string key = PathKey(folder);
        if (!Removed(key) && folderKeys.insert(key).second) {
            result.log.folders.push_back(folder);
        }
    }
    std::set<std::string> fileKeys;
    for (const auto& [key, position] : m_fileIndex) {
        fileKeys.insert(fileKeys.end(), key);
    }
    for (const LoggedFile& file : m_files) {
        if (!Removed(PathKey(file.path))) {
            result.log.files.push_back(file);
        }
    }
    for (const LoggedFile& file : earlier.files) {
        const std::string key = PathKey(file.path);
        if (Removed(key) || !fileKeys.insert(key).second) {
            continue;  // deleted with its folder, written again, or named twice
        }
        if (file.content) {
            result.obsolete.push_back(file);
        } else if (IsThere(installDir, file.path, false)) {
            result.log.files.push_back(file);
        }
    }
    return result;
}

}  // namespace voz
