// The setup program's own texts, in GBK (code page 936) as the program keeps
// all its texts; each is converted to UTF-16 with code page 936 named
// explicitly where it goes to Windows. The package supplies everything else.
#pragma once

namespace voz::texts {

inline constexpr char kWelcomePrefix[] = "\xBB\xB6\xD3\xAD\xCA\xB9\xD3\xC3";  // 欢迎使用

// Labels painted above the input fields of the folder, style and order pages.
inline constexpr char kFolderLabel[] = "\xD1\xA1\xD4\xF1\xB0\xB2\xD7\xB0\xC2\xB7\xBE\xB6";  // 选择安装路径
inline constexpr char kStyleLabel[] = "\xD1\xA1\xD4\xF1\xB0\xB2\xD7\xB0\xB7\xE7\xB8\xF1";  // 选择安装风格
inline constexpr char kOrderLabel[] = "\xD1\xA1\xD4\xF1\xCF\xC2\xB5\xA5\xC8\xED\xBC\xFE";  // 选择下单软件

// The order software list, in list order; the position is the MainTrade value.
inline constexpr const char* kOrderSoftware[] = {
    "\xD0\xC7\xBD\xDD(\xCD\xC6\xBC\xF6\xCA\xB9\xD3\xC3)",  // 星捷(推荐使用)
    "\xBD\xF0\xCA\xCB\xB4\xEF\xBF\xCD\xBB\xA7\xB6\xCB",    // 金仕达客户端
    "\xBA\xE3\xC9\xFA\xBF\xCD\xBB\xA7\xB6\xCB",            // 恒生客户端
    "\xB6\xA5\xB5\xE3\xBF\xCD\xBB\xA7\xB6\xCB",            // 顶点客户端
};

inline constexpr char kBrowseTitle[] = "\xC7\xEB\xD1\xA1\xD4\xF1\xC4\xBF\xC2\xBC\xA3\xBA";        // 请选择目录：
inline constexpr char kExtractingStatus[] = "\xD5\xFD\xD4\xDA\xBD\xE2\xD1\xB9\xCE\xC4\xBC\xFE";  // 正在解压文件

// The browsed folder with the default folder's last component does not fit the field.
inline constexpr char kBrowseTooLong[] =
    "\xCB\xF9\xD1\xA1\xC4\xBF\xC2\xBC\xB5\xC4\xC2\xB7\xBE\xB6\xCC\xAB\xB3\xA4\xA3\xAC"  // 所选目录的路径太长，
    "\xC7\xEB\xD1\xA1\xD4\xF1\xC6\xE4\xCB\xFB\xC4\xBF\xC2\xBC\xA1\xA3";                 // 请选择其他目录。
// The folder field holds more than 255 GBK bytes or a character GBK cannot hold.
inline constexpr char kFolderUnusable[] =
    "\xB0\xB2\xD7\xB0\xC2\xB7\xBE\xB6\xCC\xAB\xB3\xA4\xBB\xF2\xBA\xAC\xD3\xD0"      // 安装路径太长或含有
    "\xCE\xDE\xB7\xA8\xCA\xB9\xD3\xC3\xB5\xC4\xD7\xD6\xB7\xFB\xA3\xAC"                // 无法使用的字符，
    "\xC7\xEB\xD6\xD8\xD0\xC2\xCA\xE4\xC8\xEB\xA1\xA3";                                   // 请重新输入。

// Caption of the setup's message boxes.
inline constexpr char kMessageCaption[] = "\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2";  // 安装程序

// Shown instead of the welcome window when the package is missing, ends
// early or is damaged.
inline constexpr char kPackageBroken[] =
    "\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xCE\xC4\xBC\xFE\xB2\xBB\xCD\xEA\xD5\xFB\xBB\xF2\xD2\xD1\xCB\xF0\xBB\xB5"
    "\xA3\xAC\xCE\xDE\xB7\xA8\xB0\xB2\xD7\xB0\xA1\xA3"                                  // 安装程序文件不完整或已损坏，无法安装。
    "\xC7\xEB\xD6\xD8\xD0\xC2\xCF\xC2\xD4\xD8\xB0\xB2\xD7\xB0\xB3\xCC\xD0\xF2\xA1\xA3";  // 请重新下载安装程序。

// Finish could not write the client's settings file; the file keeps what
// the installation left in it.
inline constexpr char kSettingsNotSaved[] =
    "\xB8\xF6\xD0\xD4\xBB\xAF\xC9\xE8\xD6\xC3\xCE\xB4\xC4\xDC\xB1\xA3\xB4\xE6\xA3\xBA"  // 个性化设置未能保存：
    "\xCE\xDE\xB7\xA8\xD0\xB4\xC8\xEB\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xD6\xD0\xB5\xC4 Voz.ini"  // 无法写入安装目录中的 Voz.ini
    "\xA3\xAC\xD4\xAD\xD3\xD0\xB5\xC4 Voz.ini \xB1\xA3\xB3\xD6\xB2\xBB\xB1\xE4\xA1\xA3";  // ，原有的 Voz.ini 保持不变。

}  // namespace voz::texts
