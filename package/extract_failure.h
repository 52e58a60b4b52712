// What went wrong with one item of an installation.
#pragma once

#include <string>

namespace voz {

enum class FailureKind {
    kUnsafeName,         // a name that would leave its folder or that Windows cannot hold; not written
    kPathTooLong,        // the full path does not fit its 256-byte buffer; not written
    kNoInstallFolder,    // the install folder is empty or cannot be made
    kFolderNotCreated,
    kFileNotCreated,
    kDamagedData,        // the package's blocks for the item do not decode; the file is incomplete
    kWriteFailed,
    kTimesNotSet,
    kSpecialFolderUnknown,
    kShortcutNotMade,
    kCopyFailed,
    kDeleteFailed,
    kRemoveFailed,       // a folder that could not be removed
    kAppListNotWritten,  // the entry in the system's list of installed apps
};

const char* DescribeFailureKind(FailureKind kind);

struct ExtractFailure {
    std::string path;    // GBK: as the package names the item, or the full path where one was formed
    FailureKind kind;
    std::string detail;  // GBK: the system's or the decoder's explanation, or which check refused the name
};

}  // namespace voz
