#include "package/extract_failure.h"

namespace voz {

const char* DescribeFailureKind(FailureKind kind) {
    switch (kind) {
    case FailureKind::kUnsafeName: return "refused name";
    case FailureKind::kPathTooLong: return "path too long";
    case FailureKind::kNoInstallFolder: return "no install folder";
    case FailureKind::kFolderNotCreated: return "folder not created";
    case FailureKind::kFileNotCreated: return "file not created";
    case FailureKind::kDamagedData: return "damaged data";
    case FailureKind::kWriteFailed: return "write failed";
    case FailureKind::kTimesNotSet: return "file times not set";
    case FailureKind::kSpecialFolderUnknown: return "special folder unknown";
    case FailureKind::kShortcutNotMade: return "shortcut not made";
    case FailureKind::kCopyFailed: return "style copy failed";
    case FailureKind::kDeleteFailed: return "not deleted";
    case FailureKind::kRemoveFailed: return "folder not removed";
    case FailureKind::kReadFailed: return "not read";
    case FailureKind::kAppListNotWritten: return "not added to the list of installed apps";
    }
    return "failed";
}

}  // namespace voz
