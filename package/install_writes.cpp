#include "package/install_writes.h"

#include <string>

#include "os/filesystem.h"
#include "os/text_encoding.h"
#include "package/install_rules.h"

namespace voz {

namespace {

bool IsSeparator(os::NativePath::value_type c) { return c == os::kSeparator || c == '/'; }

static_assert(kNewFileSuffix.size() == kOldFileSuffix.size(), "a temporary name is its file's name and a suffix");

}  // namespace

os::NativePath WithSuffix(const os::NativePath& path, std::string_view suffix) {
    return path + os::NativePath(suffix.begin(), suffix.end());
}

bool InstallWrites::MakeFolders(const os::NativePath& path, bool& made) {
    // Each level above, outermost first; a drive or share prefix is never
    // made and simply fails.
    for (size_t end = 1; end < path.size(); ++end) {
        if (IsSeparator(path[end])) {
            MakeFolder(path.substr(0, end), made);
        }
    }
    return MakeFolder(path, made);
}

bool InstallWrites::MakeFolder(const os::NativePath& path, bool& made) {
    made = false;
    if (os::IsFolder(path)) {
        return true;
    }
    if (!os::CreateFolder(path)) {
        return false;
    }
    m_madeFolders.push_back(path);
    made = true;
    return true;
}

bool InstallWrites::Open(const os::NativePath& path, os::OutputFile& out, uint32_t& error) {
    bool exists = false;
    if (out.CreateNew(path, exists)) {
        m_created.push_back(path);
        return true;
    }
    error = os::LastErrorCode();
    if (!exists || os::IsFolder(path)) {
        return false;
    }
    Replacement replacement{path, WithSuffix(path, kNewFileSuffix)};
    if (!out.Create(replacement.temporary)) {
        error = os::LastErrorCode();
        return false;
    }
    m_replacements.push_back(std::move(replacement));
    return true;
}

bool InstallWrites::Commit(os::NativePath& failed, uint32_t& error) {
    for (size_t i = 0; i < m_replacements.size(); ++i) {
        const Replacement& r = m_replacements[i];
        const os::NativePath aside = WithSuffix(r.path, kOldFileSuffix);
        if (!os::MoveFileReplacing(r.path, aside)) {
            error = os::LastErrorCode();
            failed = r.path;
            UndoSwaps(i);
            return false;
        }
        if (!os::MoveFileReplacing(r.temporary, r.path)) {
            error = os::LastErrorCode();
            failed = r.path;
            os::MoveFileReplacing(aside, r.path);
            UndoSwaps(i);
            return false;
        }
    }
    return true;
}

void InstallWrites::UndoSwaps(size_t count) {
    while (count > 0) {
        const Replacement& r = m_replacements[--count];
        os::MoveFileReplacing(WithSuffix(r.path, kOldFileSuffix), r.path);  // over the new file, which goes
    }
}

void InstallWrites::Rollback() {
    for (const os::NativePath& file : m_created) {
        os::RemoveFile(file);
    }
    for (const Replacement& r : m_replacements) {
        os::RemoveFile(r.temporary);  // gone already where the swap was undone
    }
    for (auto folder = m_madeFolders.rbegin(); folder != m_madeFolders.rend(); ++folder) {
        os::RemoveEmptyFolder(*folder);
    }
}

void InstallWrites::DropReplaced(std::vector<ExtractFailure>& failures) {
    for (const Replacement& r : m_replacements) {
        const os::NativePath aside = WithSuffix(r.path, kOldFileSuffix);
        if (!os::RemoveFile(aside)) {
            const uint32_t error = os::LastErrorCode();
            std::string name;
            os::NativeToGbk(aside, name);
            failures.push_back(
                {name, FailureKind::kDeleteFailed, os::ErrorText(error), FailureItem::kFile, NameCheck::kSafe, error});
        }
    }
}

void RecoverLeftovers(const os::NativePath& folder) {
    std::vector<os::FolderEntry> entries;
    os::ListFolder(folder, entries);
    for (const os::FolderEntry& entry : entries) {
        const bool setAside = EndsInAnyCase(entry.name, kOldFileSuffix);
        if (entry.isFolder || (!setAside && !EndsInAnyCase(entry.name, kNewFileSuffix))) {
            continue;
        }
        const os::NativePath path = folder + os::kSeparator + entry.name;
        const os::NativePath original = path.substr(0, path.size() - kOldFileSuffix.size());
        if (setAside && !os::FileSize(original) && !os::IsFolder(original)) {
            os::MoveFileReplacing(path, original);
        } else {
            os::RemoveFile(path);
        }
    }
}

}  // namespace voz
