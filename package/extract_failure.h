// What went wrong with one item of an installation.
#pragma once

#include <cstdint>
#include <string>

#include "package/install_rules.h"

namespace voz {

enum class FailureKind {
    kUnsafeName,       // a name that would leave its folder or that Windows cannot hold; not written
    kPathTooLong,      // the full path does not fit its 256-byte buffer; not written
    kNoInstallFolder,  // the install folder is empty or cannot be made
    kFolderNotCreated,
    kFileNotCreated,
    kDamagedData,  // the package's blocks for the item do not decode; the file is incomplete
    kWriteFailed,
    kTimesNotSet,
    kSpecialFolderUnknown,
    kShortcutNotMade,
    kCopyFailed,
    kDeleteFailed,
    kRemoveFailed,       // a folder that could not be removed
    kReadFailed,         // a file that exists but could not be read
    kAppListNotWritten,  // the entry in the system's list of installed apps
};

const char* DescribeFailureKind(FailureKind kind);

// What the failed item is, so that a message can name it in the user's words
// even when its name is empty.
enum class FailureItem {
    kUnnamed,
    kInstallFolder,
    kFolder,
    kFile,
    kShortcut,
    kProgramGroup,
    kStyleCopy,
    kRemoval,  // a folder of the remove table, or something in it
    kUninstaller,
    kDesktop,         // the desktop folder, as the shell names it
    kProgramsFolder,  // the Start menu's Programs folder, as the shell names it
    kSettingsFile,    // Voz.ini or 2nd_voz.ini after the installation
    kAppListEntry,    // the entry in the system's list of installed apps
};

struct ExtractFailure {
    std::string path;  // GBK: as the package names the item, or the full path where one was formed
    FailureKind kind;
    std::string detail;  // GBK: the system's or the decoder's explanation, or which check refused the name
    FailureItem item = FailureItem::kUnnamed;
    NameCheck name = NameCheck::kSafe;  // for kUnsafeName: which rule refused the name
    uint32_t error = 0;                 // the system's error code (errno, or a Windows error); 0 when not the system's
};

}  // namespace voz
