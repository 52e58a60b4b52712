#include "package/directory_removal.h"

#include "os/filesystem.h"
#include "os/text_encoding.h"
#include "package/install_paths.h"
#include "package/install_rules.h"

namespace voz {

namespace {

void AddFailure(std::vector<ExtractFailure>& failures, const os::NativePath& path, std::string_view fallback,
                FailureKind kind) {
    std::string detail = os::LastErrorText();
    std::string gbk;
    if (!os::NativeToGbk(path, gbk)) {
        gbk = std::string(fallback) + "\\...";  // a name the user made that GBK cannot show
    }
    failures.push_back({std::move(gbk), kind, std::move(detail), FailureItem::kRemoval});
}

void RemoveTree(const os::NativePath& path, std::string_view top, std::vector<ExtractFailure>& failures) {
    std::vector<os::FolderEntry> entries;
    if (os::ListFolder(path, entries)) {
        for (const os::FolderEntry& entry : entries) {
            os::NativePath child = path + os::kSeparator + entry.name;
            if (entry.isFolder) {
                RemoveTree(child, top, failures);
            } else if (!os::RemoveFile(child)) {
                AddFailure(failures, child, top, FailureKind::kDeleteFailed);
            }
        }
    }
    if (!os::RemoveEmptyFolder(path)) {
        AddFailure(failures, path, top, FailureKind::kRemoveFailed);
    }
}

}  // namespace

void RemoveDirectoryTree(std::string_view path, std::vector<ExtractFailure>& failures) {
    if (path.empty()) {
        return;
    }
    os::NativePath native;
    if (!ToNativePath(path, native)) {
        failures.push_back({std::string(path), FailureKind::kUnsafeName, DescribeNameCheck(NameCheck::kNotGbk),
                            FailureItem::kRemoval, NameCheck::kNotGbk});
        return;
    }
    if (os::IsLink(native)) {
        // A link standing where the folder should be goes, not what it points at.
        if (!os::RemoveFile(native)) {
            AddFailure(failures, native, path, FailureKind::kDeleteFailed);
        }
        return;
    }
    if (!os::IsFolder(native)) {
        return;
    }
    RemoveTree(native, path, failures);
}

}  // namespace voz
