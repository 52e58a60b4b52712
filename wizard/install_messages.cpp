#include "wizard/install_messages.h"

namespace voz {

const char* FailureKindText(FailureKind kind) {
    switch (kind) {
    case FailureKind::kUnsafeName: return "\xC3\xFB\xB3\xC6\xB2\xBB\xB0\xB2\xC8\xAB";  // 名称不安全
    case FailureKind::kPathTooLong: return "\xC2\xB7\xBE\xB6\xB9\xFD\xB3\xA4";       // 路径过长
    case FailureKind::kNoInstallFolder:
        return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC";  // 无法创建安装目录
    case FailureKind::kFolderNotCreated: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xC4\xBF\xC2\xBC";  // 无法创建目录
    case FailureKind::kFileNotCreated: return "\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xCE\xC4\xBC\xFE";    // 无法创建文件
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
    case FailureKind::kAppListNotWritten:
        return "\xCE\xB4\xC4\xDC\xBC\xD3\xC8\xEB\xD2\xD1\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xC1\xD0\xB1\xED";  // 未能加入已安装程序列表
    }
    return "";
}

std::string FailureSummary(const std::vector<ExtractFailure>& failures) {
    if (failures.empty()) {
        return {};
    }
    std::string text = "\xB0\xB2\xD7\xB0\xD2\xD1\xCD\xEA\xB3\xC9\xA3\xAC\xB5\xAB\xD3\xD0 ";  // 安装已完成，但有
    text += std::to_string(failures.size());
    text += " \xCF\xEE\xCE\xB4\xC4\xDC\xCD\xEA\xB3\xC9\xA3\xBA\r\n";  // 项未能完成：
    const size_t named = failures.size() < kFailuresNamed ? failures.size() : kFailuresNamed;
    for (size_t i = 0; i < named; ++i) {
        text += "\r\n";
        if (!failures[i].path.empty()) {
            text += failures[i].path;
            text += ' ';
        }
        text += "\xA3\xA8";  // （
        text += FailureKindText(failures[i].kind);
        text += "\xA3\xA9";  // ）
    }
    if (failures.size() > named) {
        text += "\r\n\xA1\xAD\xA1\xAD\xC1\xED\xD3\xD0 ";  // ……另有
        text += std::to_string(failures.size() - named);
        text += " \xCF\xEE\xCE\xB4\xC1\xD0\xB3\xF6\xA1\xA3";  // 项未列出。
    }
    return text;
}

}  // namespace voz
