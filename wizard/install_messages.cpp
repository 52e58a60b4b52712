#include "wizard/install_messages.h"

namespace voz {

namespace {

// The item in the user's words.
const char* ItemText(FailureItem item) {
    switch (item) {
    case FailureItem::kUnnamed: return "";
    case FailureItem::kInstallFolder: return "\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC";              // 安装目录
    case FailureItem::kFolder: return "\xC4\xBF\xC2\xBC";                                     // 目录
    case FailureItem::kFile: return "\xCE\xC4\xBC\xFE";                                       // 文件
    case FailureItem::kShortcut: return "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD";                   // 快捷方式
    case FailureItem::kProgramGroup: return "\xB3\xCC\xD0\xF2\xD7\xE9";                       // 程序组
    case FailureItem::kStyleCopy: return "\xB0\xB2\xD7\xB0\xB7\xE7\xB8\xF1\xCE\xC4\xBC\xFE";  // 安装风格文件
    case FailureItem::kRemoval: return "\xD2\xAA\xC9\xBE\xB3\xFD\xB5\xC4\xC4\xBF\xC2\xBC";    // 要删除的目录
    case FailureItem::kUninstaller: return "\xD0\xB6\xD4\xD8\xB3\xCC\xD0\xF2";                // 卸载程序
    case FailureItem::kDesktop: return "\xD7\xC0\xC3\xE6";                                    // 桌面
    case FailureItem::kProgramsFolder:
        return "\xBF\xAA\xCA\xBC\xB2\xCB\xB5\xA5\xB5\xC4\xB3\xCC\xD0\xF2\xCE\xC4\xBC\xFE\xBC\xD0";  // 开始菜单的程序文件夹
    case FailureItem::kSettingsFile: return "\xC9\xE8\xD6\xC3\xCE\xC4\xBC\xFE";                     // 设置文件
    case FailureItem::kAppListEntry:
        return "\xD2\xD1\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xC1\xD0\xB1\xED";  // 已安装程序列表
    }
    return "";
}

// Why a name was refused, in the user's words.
const char* NameCheckText(NameCheck check) {
    switch (check) {
    case NameCheck::kSafe: break;
    case NameCheck::kEmpty: return "\xC3\xFB\xB3\xC6\xCE\xAA\xBF\xD5";  // 名称为空
    case NameCheck::kNotGbk:
        return "\xC3\xFB\xB3\xC6\xBA\xAC\xD3\xD0\xCE\xDE\xB7\xA8\xCA\xB6\xB1\xF0\xB5\xC4\xD7\xD6\xB7\xFB";  // 名称含有无法识别的字符
    case NameCheck::kTooLong: return "\xC3\xFB\xB3\xC6\xB9\xFD\xB3\xA4";  // 名称过长
    case NameCheck::kLeavesFolder:
        return "\xC3\xFB\xB3\xC6\xD6\xB8\xCF\xF2\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xD6\xAE\xCD\xE2";  // 名称指向安装目录之外
    case NameCheck::kBadCharacter:
        return "\xC3\xFB\xB3\xC6\xBA\xAC\xD3\xD0\x20\x57\x69\x6E\x64\x6F\x77\x73\x20\xB2\xBB\xD4\xCA\xD0\xED\xB5\xC4\xD7\xD6\xB7\xFB";  // 名称含有 Windows 不允许的字符
    case NameCheck::kTrailingDot:
        return "\xC3\xFB\xB3\xC6\xD2\xD4\xB5\xE3\xBB\xF2\xBF\xD5\xB8\xF1\xBD\xE1\xCE\xB2";  // 名称以点或空格结尾
    case NameCheck::kDeviceName:
        return "\xC3\xFB\xB3\xC6\xCA\xC7\xCF\xB5\xCD\xB3\xC9\xE8\xB1\xB8\xC3\xFB";  // 名称是系统设备名
    case NameCheck::kTemporaryName:
        return "\xC3\xFB\xB3\xC6\xD3\xEB\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xB5\xC4\xC1\xD9\xCA\xB1\xCE\xC4\xBC\xFE\xC3\xFB\xCF\xE0\xCD\xAC";  // 名称与安装程序的临时文件名相同
    case NameCheck::kHasFolder:
        return "\xCE\xC4\xBC\xFE\xC3\xFB\xD6\xD0\xBA\xAC\xD3\xD0\xC4\xBF\xC2\xBC";  // 文件名中含有目录
    case NameCheck::kNotAbsolute: return "\xB2\xBB\xCA\xC7\xCD\xEA\xD5\xFB\xC2\xB7\xBE\xB6";  // 不是完整路径
    case NameCheck::kNotInPackage:
        return "\xB0\xB2\xD7\xB0\xB0\xFC\xD6\xD0\xC3\xBB\xD3\xD0\xB4\xCB\xCE\xC4\xBC\xFE";  // 安装包中没有此文件
    case NameCheck::kPathTooLong: return "\xC2\xB7\xBE\xB6\xB9\xFD\xB3\xA4";                // 路径过长
    }
    return "\xC3\xFB\xB3\xC6\xB2\xBB\xB0\xB2\xC8\xAB";  // 名称不安全
}

void AppendFailure(std::string& text, const ExtractFailure& failure) {
    text += ItemText(failure.item);
    if (failure.kind == FailureKind::kUnsafeName && failure.name == NameCheck::kEmpty) {
        text += NameCheckText(NameCheck::kEmpty);  // 程序组名称为空: there is no name to show
        return;
    }
    if (!failure.path.empty()) {
        if (failure.item != FailureItem::kUnnamed) {
            text += ' ';
        }
        text += failure.path;
    }
    text += "\xA3\xA8";  // （
    text += failure.kind == FailureKind::kUnsafeName ? NameCheckText(failure.name) : FailureKindText(failure.kind);
    if (failure.error != 0 && !failure.detail.empty()) {
        text += "\xA3\xBA";      // ：
        text += failure.detail;  // the system's own words
    }
    text += "\xA3\xA9";  // ）
}

// The failures, the first kFailuresNamed one per line, then how many more.
void AppendFailures(std::string& text, const std::vector<ExtractFailure>& failures) {
    text += std::to_string(failures.size());
    text += " \xCF\xEE\xCE\xB4\xC4\xDC\xCD\xEA\xB3\xC9\xA3\xBA\r\n";  // 项未能完成：
    const size_t named = failures.size() < kFailuresNamed ? failures.size() : kFailuresNamed;
    for (size_t i = 0; i < named; ++i) {
        text += "\r\n";
        AppendFailure(text, failures[i]);
    }
    if (failures.size() > named) {
        text += "\r\n\xA1\xAD\xA1\xAD\xC1\xED\xD3\xD0 ";  // ……另有
        text += std::to_string(failures.size() - named);
        text += " \xCF\xEE\xCE\xB4\xC1\xD0\xB3\xF6\xA1\xA3";  // 项未列出。
    }
}

// Up to kFilesNamed files, one indented line each, then "…" for the rest.
void AppendFiles(std::string& text, const std::vector<std::string>& files) {
    for (size_t i = 0; i < files.size() && i < kFilesNamed; ++i) {
        text += "\r\n    " + files[i];
    }
    if (files.size() > kFilesNamed) {
        text += "\r\n    \xA1\xAD";  // …
    }
}

// Tenths of `unit` in `kb`, rounded up or down, as "N.N"; 32-bit arithmetic
// throughout, which keeps 64-bit division out of the program.
std::string Tenths(uint32_t kb, uint32_t unit, bool roundDown) {
    const uint32_t tenths = kb / unit * 10 + (kb % unit * 10 + (roundDown ? 0 : unit - 1)) / unit;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

}  // namespace

const char* FailureKindText(FailureKind kind) {
    switch (kind) {
    case FailureKind::kUnsafeName: return "\xC3\xFB\xB3\xC6\xB2\xBB\xB0\xB2\xC8\xAB";  // 名称不安全
    case FailureKind::kPathTooLong: return "\xC2\xB7\xBE\xB6\xB9\xFD\xB3\xA4";         // 路径过长
    case FailureKind::kNoInstallFolder:
        return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC";  // 无法创建安装目录
    case FailureKind::kFolderNotCreated: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xC4\xBF\xC2\xBC";  // 无法创建目录
    case FailureKind::kFileNotCreated: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xCE\xC4\xBC\xFE";  // 无法创建文件
    case FailureKind::kDamagedData: return "\xCA\xFD\xBE\xDD\xD2\xD1\xCB\xF0\xBB\xB5";             // 数据已损坏
    case FailureKind::kWriteFailed: return "\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC";                     // 写入失败
    case FailureKind::kTimesNotSet:
        return "\xCE\xDE\xB7\xA8\xC9\xE8\xD6\xC3\xCE\xC4\xBC\xFE\xCA\xB1\xBC\xE4";  // 无法设置文件时间
    case FailureKind::kSpecialFolderUnknown:
        return "\xD5\xD2\xB2\xBB\xB5\xBD\xCF\xB5\xCD\xB3\xCE\xC4\xBC\xFE\xBC\xD0";  // 找不到系统文件夹
    case FailureKind::kShortcutNotMade:
        return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD";  // 无法创建快捷方式
    case FailureKind::kCopyFailed: return "\xCE\xDE\xB7\xA8\xB8\xB4\xD6\xC6\xCE\xC4\xBC\xFE";    // 无法复制文件
    case FailureKind::kDeleteFailed: return "\xCE\xDE\xB7\xA8\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE";  // 无法删除文件
    case FailureKind::kRemoveFailed: return "\xCE\xDE\xB7\xA8\xC9\xBE\xB3\xFD\xC4\xBF\xC2\xBC";  // 无法删除目录
    case FailureKind::kReadFailed: return "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1";                    // 无法读取
    case FailureKind::kAppListNotWritten: return "\xCE\xB4\xC4\xDC\xBC\xD3\xC8\xEB";             // 未能加入
    }
    return "";
}

std::string InstallSummary(const InstallReport& report) {
    std::string text;
    if (!report.failures.empty()) {
        if (report.installed) {
            text = "\xB0\xB2\xD7\xB0\xD2\xD1\xCD\xEA\xB3\xC9\xA3\xAC\xB5\xAB\xD3\xD0 ";  // 安装已完成，但有
        } else {
            text =
                report.earlierFound
                    ? "\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD4\xAD\xD3\xD0\xB5\xC4\xB0\xB2\xD7\xB0\xB1\xA3\xB3\xD6\xB2\xBB\xB1\xE4\xA1\xA3"  // 安装未完成，原有的安装保持不变。
                    : "\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD2\xD1\xD0\xB4\xC8\xEB\xB5\xC4\xCE\xC4\xBC\xFE\xBE\xF9\xD2\xD1\xC9\xBE\xB3\xFD\xA1\xA3";  // 安装未完成，已写入的文件均已删除。
            text += "\r\n\xD3\xD0 ";  // 有
        }
        AppendFailures(text, report.failures);
    }
    if (report.installed && !report.keptChanged.empty()) {
        text += text.empty() ? "\xB0\xB2\xD7\xB0\xD2\xD1\xCD\xEA\xB3\xC9\xA1\xA3" : "";  // 安装已完成。
        // 以下文件在安装后被修改过，新版本已不再包含它们，安装程序将其保留：
        text +=
            "\r\n\r\n\xD2\xD4\xCF\xC2\xCE\xC4\xBC\xFE\xD4\xDA\xB0\xB2\xD7\xB0\xBA\xF3\xB1\xBB\xD0\xDE\xB8\xC4\xB9\xFD\xA3\xAC"
            "\xD0\xC2\xB0\xE6\xB1\xBE\xD2\xD1\xB2\xBB\xD4\xD9\xB0\xFC\xBA\xAC\xCB\xFC\xC3\xC7\xA3\xAC"
            "\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xBD\xAB\xC6\xE4\xB1\xA3\xC1\xF4\xA3\xBA\r\n";
        AppendFiles(text, report.keptChanged);
    }
    return text;
}

std::string FilesInUseMessage(const std::vector<std::string>& files, std::string_view title) {
    std::string text =
        "\xD2\xD4\xCF\xC2\xCE\xC4\xBC\xFE\xD5\xFD\xD4\xDA\xCA\xB9\xD3\xC3\xD6\xD0\xA3\xAC\xCE\xDE\xB7\xA8\xCC\xE6\xBB\xBB\xA3\xBA\r\n";  // 以下文件正在使用中，无法替换：
    AppendFiles(text, files);
    text += "\r\n\r\n\xC7\xEB\xB9\xD8\xB1\xD5";  // 请关闭
    text += title;
    text +=
        "\xBA\xF3\xB5\xE3\xBB\xF7\xA1\xB0\xD6\xD8\xCA\xD4\xA1\xB1\xA3\xBB\xB5\xE3\xBB\xF7\xA1\xB0\xC8\xA1\xCF\xFB\xA1\xB1\xB7\xB5\xBB\xD8\xA1\xA3";  // 后点击“重试”；点击“取消”返回。
    return text;
}

std::string SpaceMessage(const SpaceCheck& space) {
    std::string text =
        "\xC4\xBF\xB1\xEA\xB4\xC5\xC5\xCC\xBF\xD5\xBC\xE4\xB2\xBB\xD7\xE3\xA3\xBA\xB0\xB2\xD7\xB0\xD0\xE8\xD2\xAA ";  // 目标磁盘空间不足：安装需要
    text += SizeText(space.needed);
    text += "\xA3\xAC\xB4\xC5\xC5\xCC\xC9\xCF\xD6\xBB\xD3\xD0 ";  // ，磁盘上只有
    text += SizeText(space.available, true);
    text += " \xBF\xC9\xD3\xC3\xA1\xA3\r\n";  // 可用。
    text +=
        "\xC7\xEB\xCA\xCD\xB7\xC5\xB4\xC5\xC5\xCC\xBF\xD5\xBC\xE4\xA3\xAC\xBB\xF2\xD1\xA1\xD4\xF1\xC6\xE4\xCB\xFB\xB0\xB2\xD7\xB0\xC2\xB7\xBE\xB6\xA1\xA3";  // 请释放磁盘空间，或选择其他安装路径。
    return text;
}

std::string SizeText(uint64_t bytes, bool roundDown) {
    constexpr uint32_t kMbInKb = 1024, kGbInKb = 1024 * 1024;
    const uint64_t kb = (bytes + (roundDown ? 0 : 1023)) >> 10;
    const uint32_t shown = kb > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(kb);
    if (shown < kMbInKb) {
        return std::to_string(shown) + " KB";
    }
    return shown < kGbInKb ? Tenths(shown, kMbInKb, roundDown) + " MB" : Tenths(shown, kGbInKb, roundDown) + " GB";
}

}  // namespace voz
