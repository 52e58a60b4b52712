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
        {NameKind::kFile, Gbk("乗"), NameCheck::kSafe},  // its second byte is 0x5C
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

PackageNames SoundPackage() {
    PackageNames names;
    names.installDir = "C:\\Voz";
    names.mainExe = "VozClient.exe";
    names.group = "Voz";
    names.folders = {{"", {"VozClient.exe", "Voz.ini"}}, {"Config", {"Lite.ini"}}, {"Config", {"Full.ini"}}};
    names.shortcuts = {{"u.lnk", "", ""}, {"v.lnk", "vozclient.EXE", "config/full.ini"}, {"w.lnk", "Extra.ini", ""}};
    names.copies = {{"Config\\Lite.ini", "Extra.ini"}};
    names.removes = {"Config"};
    return names;
}

TEST(CheckPackageNames, ASoundPackageHasNoProblem) {
    EXPECT_TRUE(CheckPackageNames(SoundPackage()).empty());
    EXPECT_EQ(PathRoom(SoundPackage()), 255 - 7 - static_cast<long>(std::string("Config\\Full.ini").size()));
}

TEST(CheckPackageNames, NamesEveryRefusedItemAndWhatItRefersTo) {
    PackageNames names = SoundPackage();
    names.installDir = "Client";
    names.mainExe = "Missing.exe";
    names.folders[1].files.push_back("aux.txt");
    names.shortcuts[1].target = "..\\..\\Windows\\notepad.exe";
    names.shortcuts[2].icon = "none.ico";
    names.copies[0].source = "Config\\None.ini";
    names.removes.push_back("..\\..\\Windows");
    const std::vector<NameProblem> problems = CheckPackageNames(names);
    auto has = [&](NameKind kind, size_t index, NameCheck check) {
        return std::any_of(problems.begin(), problems.end(), [&](const NameProblem& p) {
            return p.kind == kind && p.index == index && p.check == check;
        });
    };
    EXPECT_EQ(problems.size(), 7u);
    EXPECT_TRUE(has(NameKind::kInstallFolder, 0, NameCheck::kNotAbsolute));
    EXPECT_TRUE(has(NameKind::kMainProgram, 0, NameCheck::kNotInPackage));
    EXPECT_TRUE(has(NameKind::kFile, 1, NameCheck::kDeviceName));
    EXPECT_TRUE(has(NameKind::kTarget, 1, NameCheck::kLeavesFolder));
    EXPECT_TRUE(has(NameKind::kIcon, 2, NameCheck::kNotInPackage));
    EXPECT_TRUE(has(NameKind::kCopySource, 0, NameCheck::kNotInPackage));
    EXPECT_TRUE(has(NameKind::kRemove, 1, NameCheck::kLeavesFolder));
}

TEST(CheckPackageNames, APathBelowTheDefaultFolderMustFit) {
    PackageNames names = SoundPackage();
    const std::string folder(121, 'd');
    const std::string file(127, 'f');  // with C:\Voz in front: 6 + 1 + 121 + 1 + 127 = 256 bytes
    names.folders.push_back({folder, {file}});
    const std::vector<NameProblem> problems = CheckPackageNames(names);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].kind, NameKind::kFile);
    EXPECT_EQ(problems[0].check, NameCheck::kPathTooLong);
    EXPECT_LT(PathRoom(names), 0);
}

}  // namespace
}  // namespace voz
