#include "package/install_rules.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace voz {
namespace {

using test::Gbk;

struct RuleCase {
    NameKind kind;
    std::string name;
    NameCheck expected;
};

std::string KindName(NameKind kind) { return std::to_string(static_cast<int>(kind)); }

// Every kind of name with what the setup accepts and what it refuses, and why.
TEST(CheckName, DecidesForEveryKindOfName) {
    const std::string longName(128, 'a');
    const std::string longPath(256, 'a');
    const RuleCase cases[] = {
        // The install folder: absolute, on a drive or a share.
        {NameKind::kInstallFolder, Gbk("C:\\沃兹期货"), NameCheck::kSafe},
        {NameKind::kInstallFolder, "d:/Trade/Voz", NameCheck::kSafe},
        {NameKind::kInstallFolder, "D:\\", NameCheck::kSafe},
        {NameKind::kInstallFolder, "D:\\Voz\\", NameCheck::kSafe},
        {NameKind::kInstallFolder, "\\\\server\\share\\Voz", NameCheck::kSafe},
        {NameKind::kInstallFolder, "", NameCheck::kEmpty},
        {NameKind::kInstallFolder, "Client", NameCheck::kNotAbsolute},
        {NameKind::kInstallFolder, "D:Client", NameCheck::kNotAbsolute},
        {NameKind::kInstallFolder, "\\Client", NameCheck::kNotAbsolute},
        {NameKind::kInstallFolder, "\\\\server", NameCheck::kNotAbsolute},
        {NameKind::kInstallFolder, "1:\\x", NameCheck::kNotAbsolute},
        {NameKind::kInstallFolder, "C:\\a\\..\\..\\Windows", NameCheck::kLeavesFolder},
        {NameKind::kInstallFolder, "C:\\a\\\\b", NameCheck::kBadCharacter},
        {NameKind::kInstallFolder, "C:\\Voz.", NameCheck::kTrailingDot},
        {NameKind::kInstallFolder, "C:\\con\\x", NameCheck::kDeviceName},
        {NameKind::kInstallFolder, "C:\\" + longPath, NameCheck::kTooLong},
        // Folder records: relative, the empty name is the install folder.
        {NameKind::kFolder, "", NameCheck::kSafe},
        {NameKind::kFolder, Gbk("行情数据/上海"), NameCheck::kSafe},
        {NameKind::kFolder, "..\\x", NameCheck::kLeavesFolder},
        {NameKind::kFolder, longName, NameCheck::kTooLong},
        // File names: one name, no folder.
        {NameKind::kFile, "Voz.ini", NameCheck::kSafe},
        {NameKind::kFile, ".hidden", NameCheck::kSafe},
        {NameKind::kFile, Gbk("乗"), NameCheck::kSafe},   // its second byte is 0x5C
        {NameKind::kFile, "\x81\x7C", NameCheck::kSafe},  // its second byte is '|'
        {NameKind::kFile, "", NameCheck::kEmpty},
        {NameKind::kFile, "a\\b.txt", NameCheck::kHasFolder},
        {NameKind::kFile, "aux.txt", NameCheck::kDeviceName},
        {NameKind::kFile, "Com1", NameCheck::kDeviceName},
        {NameKind::kFile, "CONFIG.SYS", NameCheck::kSafe},
        {NameKind::kFile, "com10", NameCheck::kSafe},
        // Names the setup gives its temporary files, in any case.
        {NameKind::kFile, "VozClient.exe.~vn", NameCheck::kTemporaryName},
        {NameKind::kFile, "Voz.ini.~VO", NameCheck::kTemporaryName},
        {NameKind::kFolder, "a.~vo\\b", NameCheck::kTemporaryName},
        {NameKind::kFile, ".~vn", NameCheck::kSafe},  // the suffix alone names no file of its own
        {NameKind::kFile, "a.~vnx", NameCheck::kSafe},
        {NameKind::kFile, "trail.", NameCheck::kTrailingDot},
        {NameKind::kFile, "x ", NameCheck::kTrailingDot},
        {NameKind::kFile, "a:b", NameCheck::kLeavesFolder},
        {NameKind::kFile, "file.txt:stream", NameCheck::kLeavesFolder},
        {NameKind::kFile, "a*b", NameCheck::kBadCharacter},
        {NameKind::kFile, "a\tb", NameCheck::kBadCharacter},
        {NameKind::kFile, "\x81", NameCheck::kNotGbk},
        {NameKind::kFile, "\x81:", NameCheck::kNotGbk},
        {NameKind::kFile, longName, NameCheck::kTooLong},
        // Style copies, targets, icons, removals and links: relative paths.
        {NameKind::kCopySource, Gbk("配置\\全功能Voz.ini"), NameCheck::kSafe},
        {NameKind::kCopySource, "", NameCheck::kEmpty},
        {NameKind::kCopyDest, "..\\..\\boot.ini", NameCheck::kLeavesFolder},
        {NameKind::kCopyDest, "C:\\boot.ini", NameCheck::kLeavesFolder},
        {NameKind::kRemove, "", NameCheck::kSafe},
        {NameKind::kRemove, "..\\..\\Windows", NameCheck::kLeavesFolder},
        {NameKind::kRemove, "/Windows", NameCheck::kLeavesFolder},
        {NameKind::kRemove, "a\\..\\..\\x", NameCheck::kLeavesFolder},
        {NameKind::kRemove, "a\\", NameCheck::kBadCharacter},
        // A lead byte takes the next byte as its second half, whatever it is, so it
        // cannot hide a separator that a decoder would not accept.
        {NameKind::kRemove, "\x81\x5C.txt", NameCheck::kSafe},
        {NameKind::kRemove, "\x81/..\\x", NameCheck::kNotGbk},
        {NameKind::kTarget, "", NameCheck::kSafe},
        {NameKind::kTarget, "..\\..\\Windows\\notepad.exe", NameCheck::kLeavesFolder},
        {NameKind::kIcon, "", NameCheck::kSafe},
        {NameKind::kIcon, "\\\\server\\share\\x.ico", NameCheck::kLeavesFolder},
        {NameKind::kLinkName, Gbk("沃兹期货.lnk"), NameCheck::kSafe},
        {NameKind::kLinkName, "", NameCheck::kEmpty},
        {NameKind::kLinkName, "..\\..\\evil.lnk", NameCheck::kLeavesFolder},
        {NameKind::kLinkName, longPath, NameCheck::kTooLong},
        // The program group: empty is the Programs folder itself.
        {NameKind::kGroup, "", NameCheck::kSafe},
        {NameKind::kGroup, Gbk("沃兹\\期货"), NameCheck::kSafe},
        {NameKind::kGroup, "..", NameCheck::kLeavesFolder},
        {NameKind::kGroup, longName, NameCheck::kTooLong},
        {NameKind::kMainProgram, "VozClient.exe", NameCheck::kSafe},
        {NameKind::kMainProgram, "", NameCheck::kEmpty},
    };
    for (const RuleCase& c : cases) {
        EXPECT_EQ(CheckName(c.kind, c.name), c.expected) << "kind " << KindName(c.kind) << ": " << c.name;
    }
}

}  // namespace
}  // namespace voz
