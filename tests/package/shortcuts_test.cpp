#include "package/shortcuts.h"

#include "package/extract_support.h"
#include "package/uninstall_data.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::File;
using test::Gbk;
using test::Installation;

void AppendString(std::string& out, const std::string& text) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>(text.size() >> (8 * i)));
    }
    out += text;
}

class ShortcutsTest : public ::testing::Test {
protected:
    std::vector<ExtractFailure> Run(const std::vector<PackageShortcut>& shortcuts, bool withFolders = true) {
        PackageSource package = test::BasePackage();
        test::Set(package.record.m_szGroup, m_groupName);
        test::AddFolder(package, "", {File("VozClient.exe", "MZ")});
        package.uninstaller = {'U'};
        package.record.m_shortcuts = shortcuts;
        m_inst = std::make_unique<Installation>(package);
        m_desktop = Gbk((m_inst->temp() / "桌面").string());
        m_programs = Gbk((m_inst->temp() / "程序").string());
        m_group = m_programs + "\\" + m_groupName;
        m_installDir = m_inst->choice().folder.text();
        m_shell.folders.clear();
        if (withFolders) {
            m_shell.folders = {{kCsidlDesktop, m_desktop}, {kCsidlPrograms, m_programs}};
        }
        ExtractOptions options;
        options.shell = &m_shell;
        return m_inst->Run(options).failures;
    }

    // The uninstall table: what follows the uninstaller's own byte, up to the install log.
    std::string UninstallData() {
        const std::string data = test::ReadText(m_inst->dir() / "卸载.exe").substr(1);
        const size_t log = data.rfind(std::string(kInstallLogMarker, sizeof kInstallLogMarker));
        EXPECT_NE(log, std::string::npos) << "the install log follows the table";
        return data.substr(0, log);
    }

    std::string m_groupName = Gbk("沃兹\\期货");
    std::unique_ptr<Installation> m_inst;
    test::RecordingShell m_shell;
    std::string m_desktop, m_programs, m_group, m_installDir;
};

TEST_F(ShortcutsTest, UninstallDataNamesEveryRecordWithAnEmptySlotForPlaceTwo) {
    auto failures = Run({{"a.lnk", "VozClient.exe", "", kPlaceDesktop},
                         {"none.lnk", "VozClient.exe", "", 2},
                         {"u.lnk", "", "", kPlaceGroup}});
    ASSERT_TRUE(failures.empty()) << test::Describe(failures);
    std::string expected;
    AppendString(expected, Gbk("沃兹期货"));
    AppendString(expected, "V6.2");
    expected += std::string("\x03\x00\x00\x00", 4);
    AppendString(expected, m_desktop + "\\a.lnk");
    AppendString(expected, "");
    AppendString(expected, m_group + "\\u.lnk");
    AppendString(expected, m_group);
    EXPECT_EQ(UninstallData(), expected);
}

TEST_F(ShortcutsTest, TargetsAndIconsAreInTheInstallFolderAndTheGroupIsAlwaysMade) {
    ASSERT_TRUE(Run({{"u.lnk", "", "", kPlaceDesktop},
                     {"b.lnk", "VozClient.exe", "", kPlaceDesktop},
                     {"b.lnk", "VozClient.exe", "", 3},
                     test::Shortcut("c.lnk", Gbk("网站\\官方.url"), "VozClient.exe", kPlaceDesktop)})
                    .empty());
    const std::string uninstaller = m_installDir + "\\" + kUninstallerName;
    const std::string client = m_installDir + "\\VozClient.exe";
    EXPECT_EQ(m_shell.links, (std::vector<std::string>{m_desktop + "\\u.lnk -> " + uninstaller + " | " + uninstaller,
                                                       m_desktop + "\\b.lnk -> " + client + " | " + client,
                                                       m_desktop + "\\c.lnk -> " + m_installDir + "\\" +
                                                           Gbk("网站\\官方.url") + " | " + client}));
    EXPECT_TRUE(fs::is_directory(m_inst->temp() / "程序/沃兹/期货"));
}

TEST_F(ShortcutsTest, FailuresOfTheShellAreCounted) {
    m_shell.saves = false;
    auto failures = Run({{"b.lnk", "VozClient.exe", "", kPlaceDesktop}});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(test::HasFailureOf(failures, FailureKind::kShortcutNotMade, m_desktop + "\\b.lnk"));
    EXPECT_NE(UninstallData().find(m_desktop + "\\b.lnk"), std::string::npos);  // the slot keeps the path

    failures = Run({{"a.lnk", "", "", kPlaceGroup}, {"b.lnk", "VozClient.exe", "", kPlaceDesktop}}, false);
    EXPECT_EQ(failures.size(), 2u) << test::Describe(failures);
    std::string tail = std::string("\x02\x00\x00\x00", 4) + std::string(12, '\0');  // two empty slots, no group
    EXPECT_TRUE(UninstallData().ends_with(tail));
}

TEST_F(ShortcutsTest, NamesLeavingTheirFoldersMakeNoLink) {
    auto failures = Run({{"..\\..\\evil.lnk", "VozClient.exe", "", kPlaceDesktop},
                         {"ok.lnk", "..\\..\\Windows\\evil.exe", "", kPlaceDesktop},
                         {"ok2.lnk", "VozClient.exe", "C:\\evil.ico", kPlaceDesktop}});
    EXPECT_EQ(failures.size(), 3u) << test::Describe(failures);
    for (const auto& f : failures) {
        EXPECT_EQ(f.kind, FailureKind::kUnsafeName) << f.path;
    }
    EXPECT_TRUE(m_shell.links.empty());
}

TEST_F(ShortcutsTest, WithoutAGroupNameLinksGoIntoTheProgramsFolderWithoutAFailure) {
    m_groupName = "";
    auto failures = Run({{"u.lnk", "", "", kPlaceGroup}});
    ASSERT_TRUE(failures.empty()) << test::Describe(failures);
    const std::string uninstaller = m_installDir + "\\" + kUninstallerName;
    EXPECT_EQ(m_shell.links, std::vector<std::string>{m_programs + "\\u.lnk -> " + uninstaller + " | " + uninstaller});
    // The uninstall data names the Programs folder as the group, with its backslash.
    EXPECT_TRUE(UninstallData().ends_with(m_programs + "\\u.lnk" + std::string(1, char(m_programs.size() + 1)) +
                                          std::string(3, '\0') + m_programs + "\\"));
}

TEST(ShortcutWorkingFolder, IsTheTargetsFolder) {
    EXPECT_EQ(ShortcutWorkingFolder("C:\\a\\b.exe"), "C:\\a");
    EXPECT_EQ(ShortcutWorkingFolder("b.exe"), "b.exe");
    EXPECT_EQ(ShortcutWorkingFolder("C:\\" + Gbk("乗") + "x.exe"), "C:");  // 乗 ends in a 0x5C byte
}

}  // namespace
}  // namespace voz
