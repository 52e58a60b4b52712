#include "wizard/install_messages.h"

namespace voz {

namespace {

// The item in the user's words.
const char* ItemText(FailureItem item) {
    switch (item) {
    case FailureItem::kUnnamed: return "";
    case FailureItem::kInstallFolder: return "\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC";  // 安装目录
    case FailureItem::kFolder: return "\xC4\xBF\xC2\xBC";  // 目录
    case FailureItem::kFile: return "\xCE\xC4\xBC\xFE";  // 文件
    case FailureItem::kShortcut: return "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD";  // 快捷方式
    case FailureItem::kProgramGroup: return "\xB3\xCC\xD0\xF2\xD7\xE9";  // 程序组
    case FailureItem::kStyleCopy: return "\xB0\xB2\xD7\xB0\xB7\xE7\xB8\xF1\xCE\xC4\xBC\xFE";  // 安装风格文件
    case FailureItem::kRemoval: return "\xD2\xAA\xC9\xBE\xB3\xFD\xB5\xC4\xC4\xBF\xC2\xBC";  // 要删除的目录
    case FailureItem::kUninstaller: return "\xD0\xB6\xD4\xD8\xB3\xCC\xD0\xF2";  // 卸载程序
    case FailureItem::kDesktop: return "\xD7\xC0\xC3\xE6";  // 桌面
    case FailureItem::kProgramsFolder: return "\xBF\xAA\xCA\xBC\xB2\xCB\xB5\xA5\xB5\xC4\xB3\xCC\xD0\xF2\xCE\xC4\xBC\xFE\xBC\xD0";  // 开始菜单的程序文件夹
    case FailureItem::kSettingsFile: return "\xC9\xE8\xD6\xC3\xCE\xC4\xBC\xFE";  // 设置文件
    case FailureItem::kAppListEntry: return "\xD2\xD1\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xC1\xD0\xB1\xED";  // 已安装程序列表
    }
    return "";
}

// Why a name was refused, in the user's words.
const char* NameCheckText(NameCheck check) {
    switch (check) {
    case NameCheck::kSafe: break;
    case NameCheck::kEmpty: return "\xC3\xFB\xB3\xC6\xCE\xAA\xBF\xD5";  // 名称为空
    case NameCheck::kNotGbk: return "\xC3\xFB\xB3\xC6\xBA\xAC\xD3\xD0\xCE\xDE\xB7\xA8\xCA\xB6\xB1\xF0\xB5\xC4\xD7\xD6\xB7\xFB";  // 名称含有无法识别的字符
    case NameCheck::kTooLong: return "\xC3\xFB\xB3\xC6\xB9\xFD\xB3\xA4";  // 名称过长
    case NameCheck::kLeavesFolder: return "\xC3\xFB\xB3\xC6\xD6\xB8\xCF\xF2\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xD6\xAE\xCD\xE2";  // 名称指向安装目录之外
    case NameCheck::kBadCharacter: return "\xC3\xFB\xB3\xC6\xBA\xAC\xD3\xD0\x20\x57\x69\x6E\x64\x6F\x77\x73\x20\xB2\xBB\xD4\xCA\xD0\xED\xB5\xC4\xD7\xD6\xB7\xFB";  // 名称含有 Windows 不允许的字符
    case NameCheck::kTrailingDot: return "\xC3\xFB\xB3\xC6\xD2\xD4\xB5\xE3\xBB\xF2\xBF\xD5\xB8\xF1\xBD\xE1\xCE\xB2";  // 名称以点或空格结尾
    case NameCheck::kDeviceName: return "\xC3\xFB\xB3\xC6\xCA\xC7\xCF\xB5\xCD\xB3\xC9\xE8\xB1\xB8\xC3\xFB";  // 名称是系统设备名
    case NameCheck::kHasFolder: return "\xCE\xC4\xBC\xFE\xC3\xFB\xD6\xD0\xBA\xAC\xD3\xD0\xC4\xBF\xC2\xBC";  // 文件名中含有目录
    case NameCheck::kNotAbsolute: return "\xB2\xBB\xCA\xC7\xCD\xEA\xD5\xFB\xC2\xB7\xBE\xB6";  // 不是完整路径
    case NameCheck::kNotInPackage: return "\xB0\xB2\xD7\xB0\xB0\xFC\xD6\xD0\xC3\xBB\xD3\xD0\xB4\xCB\xCE\xC4\xBC\xFE";  // 安装包中没有此文件
    case NameCheck::kPathTooLong: return "\xC2\xB7\xBE\xB6\xB9\xFD\xB3\xA4";  // 路径过长
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
    text += "\xA3\xA9";  // ）
}

}  // namespace

const char* FailureKindText(FailureKind kind) {
    switch (kind) {
    case FailureKind::kUnsafeName: return "\xC3\xFB\xB3\xC6\xB2\xBB\xB0\xB2\xC8\xAB";  // 名称不安全
    case FailureKind::kPathTooLong: return "\xC2\xB7\xBE\xB6\xB9\xFD\xB3\xA4";  // 路径过长
    case FailureKind::kNoInstallFolder: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC";  // 无法创建安装目录
    case FailureKind::kFolderNotCreated: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xC4\xBF\xC2\xBC";  // 无法创建目录
    case FailureKind::kFileNotCreated: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xCE\xC4\xBC\xFE";  // 无法创建文件
    case FailureKind::kDamagedData: return "\xCA\xFD\xBE\xDD\xD2\xD1\xCB\xF0\xBB\xB5";  // 数据已损坏
    case FailureKind::kWriteFailed: return "\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC";  // 写入失败
    case FailureKind::kTimesNotSet: return "\xCE\xDE\xB7\xA8\xC9\xE8\xD6\xC3\xCE\xC4\xBC\xFE\xCA\xB1\xBC\xE4";  // 无法设置文件时间
    case FailureKind::kSpecialFolderUnknown: return "\xD5\xD2\xB2\xBB\xB5\xBD\xCF\xB5\xCD\xB3\xCE\xC4\xBC\xFE\xBC\xD0";  // 找不到系统文件夹
    case FailureKind::kShortcutNotMade: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD";  // 无法创建快捷方式
    case FailureKind::kCopyFailed: return "\xCE\xDE\xB7\xA8\xB8\xB4\xD6\xC6\xCE\xC4\xBC\xFE";  // 无法复制文件
    case FailureKind::kDeleteFailed: return "\xCE\xDE\xB7\xA8\xC9\xBE\xB3\xFD\xCE\xC4\xBC\xFE";  // 无法删除文件
    case FailureKind::kRemoveFailed: return "\xCE\xDE\xB7\xA8\xC9\xBE\xB3\xFD\xC4\xBF\xC2\xBC";  // 无法删除目录
    case FailureKind::kReadFailed: return "\xCE\xDE\xB7\xA8\xB6\xC1\xC8\xA1";  // 无法读取
    case FailureKind::kAppListNotWritten: return "\xCE\xB4\xC4\xDC\xBC\xD3\xC8\xEB";  // 未能加入
    }
    return "";
}

std::string FailureSummary(const std::vector<ExtractFailure>& failures, bool completed) {
    if (failures.empty()) {
        return {};
    }
    // 安装已完成，但有 N 项未能完成： or 安装未完成，有 N 项未能完成：
    std::string text = completed ? "\xB0\xB2\xD7\xB0\xD2\xD1\xCD\xEA\xB3\xC9\xA3\xAC\xB5\xAB\xD3\xD0 " : "\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD3\xD0 ";  // 安装已完成，但有安装未完成，有
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
    return text;
}

bool InstallationCompleted(const std::vector<ExtractFailure>& failures, int filesInPackage, int filesWritten) {
    for (const ExtractFailure& failure : failures) {
        if (failure.kind == FailureKind::kNoInstallFolder) {
            return false;
        }
    }
    return filesInPackage == 0 || filesWritten > 0;
}

}  // namespace voz
