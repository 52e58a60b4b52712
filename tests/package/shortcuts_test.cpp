#include "package/shortcuts.h"

#include <map>

#include "package/extract_support.h"
#include "package/uninstall_data.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::File;
using test::Gbk;
using test::Installation;

// A shell whose special folders are test folders and which records the links asked for.
class RecordingShell final : public ShellServices {
public:
    bool GetSpecialFolderPath(std::string& path, int csidl) override {
        auto it = folders.find(csidl);
        if (it != folders.end()) {
            path = it->second;
        }
        return it != folders.end();
    }
    bool CreateShortcut(const std::string& link, const std::string& target, const std::string& icon) override {
        links.push_back(link + " -> " + target + " | " + icon);
        return saves;
    }
    std::map<int, std::string> folders;
    std::vector<std::string> links;
    bool saves = true;
};

void AppendString(std::string& out, const std::string& text) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>(text.size() >> (8 * i)));
    }
    out += text;
}

class ShortcutsTest : public ::testing::Test {
protected:
    std::vector<ExtractFailure> Run(const std::vector<PackShortcut>& shortcuts, bool withFolders = true) {
        PackageSpec spec = test::BaseSpec();
        spec.group = groupName_;
        spec.dirs = {{"", {File("VozClient.exe", "MZ")}}};
        spec.uninstaller = {'U'};
        spec.shortcuts = shortcuts;
        inst_ = std::make_unique<Installation>(spec);
        desktop_ = Gbk((inst_->temp() / "桌面").string());
        programs_ = Gbk((inst_->temp() / "程序").string());
        group_ = programs_ + "\\" + spec.group;
        installDir_ = inst_->choice().folder.text();
        shell_.folders.clear();
        if (withFolders) {
            shell_.folders = {{kCsidlDesktop, desktop_}, {kCsidlPrograms, programs_}};
        }
        ExtractOptions options;
        options.shell = &shell_;
        return inst_->Run(options);
    }

    // The uninstall table: what follows the uninstaller's own byte, up to the install log.
    std::string UninstallData() {
        const std::string data = test::ReadText(inst_->dir() / "卸载.exe").substr(1);
        const size_t log = data.rfind(std::string(kInstallLogMarker, sizeof kInstallLogMarker));
        EXPECT_NE(log, std::string::npos) << "the install log follows the table";
        return data.substr(0, log);
    }

    std::string groupName_ = Gbk("沃兹\\期货");
    std::unique_ptr<Installation> inst_;
    RecordingShell shell_;
    std::string desktop_, programs_, group_, installDir_;
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
    AppendString(expected, desktop_ + "\\a.lnk");
    AppendString(expected, "");
    AppendString(expected, group_ + "\\u.lnk");
    AppendString(expected, group_);
    EXPECT_EQ(UninstallData(), expected);
}

TEST_F(ShortcutsTest, TargetsAndIconsAreInTheInstallFolderAndTheGroupIsAlwaysMade) {
    ASSERT_TRUE(Run({{"u.lnk", "", "", kPlaceDesktop},
                     {"b.lnk", "VozClient.exe", "", kPlaceDesktop},
                     {"b.lnk", "VozClient.exe", "", 3},
                     {"c.lnk", Gbk("网站\\官方.url"), "VozClient.exe", kPlaceDesktop}})
                    .empty());
    const std::string uninstaller = installDir_ + "\\" + kUninstallerName;
    const std::string client = installDir_ + "\\VozClient.exe";
    EXPECT_EQ(shell_.links, (std::vector<std::string>{
                                desktop_ + "\\u.lnk -> " + uninstaller + " | " + uninstaller,
                                desktop_ + "\\b.lnk -> " + client + " | " + client,
                                desktop_ + "\\c.lnk -> " + installDir_ + "\\" + Gbk("网站\\官方.url") + " | " + client}));
    EXPECT_TRUE(fs::is_directory(inst_->temp() / "程序/沃兹/期货"));
}

TEST_F(ShortcutsTest, FailuresOfTheShellAreCounted) {
    shell_.saves = false;
    auto failures = Run({{"b.lnk", "VozClient.exe", "", kPlaceDesktop}});
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(test::HasFailureOf(failures, FailureKind::kShortcutNotMade, desktop_ + "\\b.lnk"));
    EXPECT_NE(UninstallData().find(desktop_ + "\\b.lnk"), std::string::npos);  // the slot keeps the path

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
    EXPECT_TRUE(shell_.links.empty());
}

TEST_F(ShortcutsTest, WithoutAGroupNameLinksGoIntoTheProgramsFolderWithoutAFailure) {
    groupName_ = "";
    auto failures = Run({{"u.lnk", "", "", kPlaceGroup}});
    ASSERT_TRUE(failures.empty()) << test::Describe(failures);
    const std::string uninstaller = installDir_ + "\\" + kUninstallerName;
    EXPECT_EQ(shell_.links, std::vector<std::string>{programs_ + "\\u.lnk -> " + uninstaller + " | " + uninstaller});
    // The uninstall data names the Programs folder as the group, with its backslash.
    EXPECT_TRUE(UninstallData().ends_with(programs_ + "\\u.lnk" + std::string(1, char(programs_.size() + 1)) +
                                          std::string(3, '\0') + programs_ + "\\"));
}

TEST(ShortcutWorkingFolder, IsTheTargetsFolder) {
    EXPECT_EQ(ShortcutWorkingFolder("C:\\a\\b.exe"), "C:\\a");
    EXPECT_EQ(ShortcutWorkingFolder("b.exe"), "b.exe");
    EXPECT_EQ(ShortcutWorkingFolder("C:\\" + Gbk("乗") + "x.exe"), "C:");  // 乗 ends in a 0x5C byte
}

}  // namespace
}  // namespace voz
