// What an installation writes before it commits, kept so that it can be
// undone, and the swap that commits it. A file is written at its place when
// nothing stands there; a file that replaces one is written beside it under a
// temporary name, and all of them are swapped in at once when every file has
// been written: the earlier file is renamed aside (kOldFileSuffix), the new
// one into its place, and the earlier ones are deleted only after every swap
// succeeded. A run stopped at any point leaves only names that the next run
// recognises by their suffixes and clears away (RecoverLeftovers).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "os/file.h"
#include "os/native_path.h"
#include "package/extract_failure.h"

namespace voz {

class InstallWrites {
public:
    // Creates a folder and the missing folders above it, remembering each
    // made now; true when the folder exists afterwards. `made` tells whether
    // the folder itself was made now.
    bool MakeFolders(const os::NativePath& path, bool& made);
    // The same for a folder whose parent exists.
    bool MakeFolder(const os::NativePath& path, bool& made);
    // Opens the output for the file at `path`: the path itself when nothing
    // stands there, else a temporary file beside it. False, with the system's
    // error code, when neither can be created or a folder stands at the path.
    bool Open(const os::NativePath& path, os::OutputFile& out, uint32_t& error);

    // Swaps every file written beside the one it replaces into its place.
    // When a rename fails, the swaps made so far are undone and `failed`
    // names the file; Rollback then removes the rest.
    bool Commit(os::NativePath& failed, uint32_t& error);
    // Removes every file written and the folders made, deepest first, when
    // they are empty; the files that were to be replaced stay as they were.
    void Rollback();
    // After the commit: deletes the earlier files set aside; one that
    // cannot be deleted is added to failures.
    void DropReplaced(std::vector<ExtractFailure>& failures);

private:
    struct Replacement {
        os::NativePath path;
        os::NativePath temporary;
    };

    void UndoSwaps(size_t count);

    std::vector<os::NativePath> m_madeFolders;  // outermost first
    std::vector<os::NativePath> m_created;      // written at their place
    std::vector<Replacement> m_replacements;
};

// The path with a suffix of the setup's temporary files (install_rules.h).
os::NativePath WithSuffix(const os::NativePath& path, std::string_view suffix);

// Clears what a stopped run left in `folder`: new files written beside the
// ones they were to replace are deleted; an earlier file set aside is put
// back when its place is empty and deleted otherwise.
void RecoverLeftovers(const os::NativePath& folder);

}  // namespace voz
