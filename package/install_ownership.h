// What an installation owns once it has run: the folders and files that its
// log names for the uninstaller. One log owns the whole installation however
// often the setup runs into the same folder: each path once (paths that
// Windows takes for the same file count as one), the earlier log's folders
// and files that are still there kept, and the files that an earlier version
// owned and this one no longer writes handed back to the installation, which
// removes them when they are still as installed.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "os/gbk_path.h"
#include "package/uninstall_data.h"

namespace voz {

// The log names a folder after the folder above it, as the installation made
// them, so that read backwards the inner folders come first.
class OwnershipBuilder {
public:
    // A folder this run names or makes; "" is the install folder itself.
    void AddFolder(std::string_view relative);
    // A file this run writes; a content given again for a path replaces the
    // first, and no content means the content is not recorded.
    void AddFile(std::string_view relative, std::optional<FileContent> content);
    // A copy this run makes: `dest` gets the content `source` is known to have.
    void AddCopy(std::string_view source, std::string_view dest);
    // A folder this run deletes: it and everything in it are no longer owned.
    void Forget(std::string_view removed);

    struct Result {
        InstallLog log;
        // Files of the earlier log whose content is recorded and that this
        // run does not write: the installation removes those still as
        // installed and disowns the others.
        std::vector<LoggedFile> obsolete;
        // Folders of the earlier log, in its order, that this run does not
        // make or name: the installation removes those left empty.
        std::vector<std::string> obsoleteFolders;
    };
    // Joins this run's paths with those of the earlier log of the
    // installation in `installDir`: its folders that are still there, and
    // its files that this run does not write, kept when their content is not
    // recorded and they are still there (nothing can tell whether they were
    // changed, so they are neither removed nor disowned), obsolete otherwise.
    Result Merge(const InstallLog& earlier, const gbk::Path& installDir) const;

private:
    LoggedFile* Find(std::string_view relative);
    bool Removed(const std::string& key) const;

    std::vector<std::string> m_folders;
    std::vector<LoggedFile> m_files;
    std::set<std::string> m_folderKeys;         // PathKeys of m_folders
    std::map<std::string, size_t> m_fileIndex;  // PathKey of each of m_files to its position
    std::vector<std::string> m_removed;         // PathKeys of removed folders
};

}  // namespace voz
