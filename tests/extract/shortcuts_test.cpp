#include "package/shortcuts.h"

#include <map>

#include "extract/extract_support.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::File;
using test::Gbk;
using test::HasFailureOf;
using test::Installation;

// A shell whose special folders are folders of the test and which records
// the links it is asked for.
class RecordingShell final : public ShellServices {
public:
    struct Link {
        std::string link;
        std::string target;
        std::string icon;
        bool operator==(const Link&) const = default;
    };

    bool GetSpecialFolderPath(std::string& path, int csidl) override {
        auto it = folders.find(csidl);
        if (it == folders.end()) {
            return false;
        }
        path = it->second;
        return true;
    }

    bool CreateShortcut(const std::string& link, const std::string& target, const std::string& icon) override {
        links.push_back({link, target, icon});
        return saves;
    }

    std::map<int, std::string> folders;
    std::vector<Link> links;
    bool saves = true;
};

// Package string encoding: u32 length, then the bytes.
void AppendString(std::vector<uint8_t>& out, const std::string& text) {
    auto n = static_cast<uint32_t>(text.size());
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(n >> (8 * i)));
    }
    out.insert(out.end(), text.begin(), text.end());
}

class ShortcutsTest : public ::testing::Test {
protected:
    ShortcutsTest() {
        spec_ = test::BaseSpec();
        spec_.group = Gbk("沃兹\\期货");
        spec_.dirs = {{"", {File("VozClient.exe", Bytes("MZ"))}}, {Gbk("网站"), {File(Gbk("官方网站.url"), Bytes("u"))}}};
        spec_.uninstaller = Bytes("MZ-uninstall");
    }

    void UseShellFolders(Installation& inst) {
        desktop_ = Gbk((inst.temp() / "桌面").string());
        programs_ = Gbk((inst.temp() / "程序").string());
        shell_.folders = {{kCsidlDesktop, desktop_}, {kCsidlPrograms, programs_}};
        fs::create_directories(inst.temp() / "桌面");
    }

    std::vector<ExtractFailure> Run(Installation& inst) {
        ExtractOptions options;
        options.shell = &shell_;
        return inst.Run(options);
    }

    PackageSpec spec_;
    RecordingShell shell_;
    std::string desktop_;
    std::string programs_;
};

TEST_F(ShortcutsTest, UninstallDataNamesEveryRecordInOrderWithEmptySlotsForPlaceTwo) {
    spec_.shortcuts = {{Gbk("沃兹期货.lnk"), "VozClient.exe", "", kPlaceDesktop},
                       {Gbk("无.lnk"), "VozClient.exe", "", 2},
                       {Gbk("卸载沃兹期货.lnk"), "", "", kPlaceGroup}};
    Installation inst(spec_);
    UseShellFolders(inst);
    auto failures = Run(inst);
    ASSERT_TRUE(failures.empty()) << test::Describe(failures);

    const std::string group = programs_ + "\\" + Gbk("沃兹\\期货");
    std::vector<uint8_t> expected = Bytes("MZ-uninstall");
    AppendString(expected, Gbk("沃兹期货"));
    AppendString(expected, "V6.2");
    for (uint8_t b : {3, 0, 0, 0}) {
        expected.push_back(b);
    }
    AppendString(expected, desktop_ + "\\" + Gbk("沃兹期货.lnk"));
    AppendString(expected, "");
    AppendString(expected, group + "\\" + Gbk("卸载沃兹期货.lnk"));
    AppendString(expected, group);
    EXPECT_EQ(test::ReadBytes(inst.dir() / "卸载.exe"), expected);
    EXPECT_TRUE(fs::is_directory(inst.temp() / "程序/沃兹/期货"));
}

TEST_F(ShortcutsTest, TargetsAndIconsAreFullPathsInTheInstallFolder) {
    spec_.shortcuts = {{"a.lnk", "", "", kPlaceGroup},
                       {"b.lnk", "VozClient.exe", "", kPlaceDesktop},
                       {"b.lnk", "VozClient.exe", "", kPlaceGroup},
                       {"c.lnk", Gbk("网站\\官方网站.url"), "VozClient.exe", kPlaceDesktop}};
    Installation inst(spec_);
    UseShellFolders(inst);
    ASSERT_TRUE(Run(inst).empty());
    const std::string dir = inst.package().m_szInstallDir;
    const std::string group = programs_ + "\\" + Gbk("沃兹\\期货");
    using Link = RecordingShell::Link;
    EXPECT_EQ(shell_.links,
              (std::vector<Link>{
                  {group + "\\a.lnk", dir + "\\" + Gbk("卸载.exe"), dir + "\\" + Gbk("卸载.exe")},
                  {desktop_ + "\\b.lnk", dir + "\\VozClient.exe", dir + "\\VozClient.exe"},
                  {group + "\\b.lnk", dir + "\\VozClient.exe", dir + "\\VozClient.exe"},
                  {desktop_ + "\\c.lnk", dir + "\\" + Gbk("网站\\官方网站.url"), dir + "\\VozClient.exe"}}));
}

TEST_F(ShortcutsTest, TheGroupIsMadeEvenWithoutGroupShortcuts) {
    spec_.shortcuts = {{"b.lnk", "VozClient.exe", "", kPlaceDesktop}};
    Installation inst(spec_);
    UseShellFolders(inst);
    ASSERT_TRUE(Run(inst).empty());
    EXPECT_TRUE(fs::is_directory(inst.temp() / "程序/沃兹/期货"));
}

TEST_F(ShortcutsTest, AFailedSaveKeepsItsSlotAndIsCounted) {
    spec_.shortcuts = {{"b.lnk", "VozClient.exe", "", kPlaceDesktop}};
    Installation inst(spec_);
    UseShellFolders(inst);
    shell_.saves = false;
    auto failures = Run(inst);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_TRUE(HasFailureOf(failures, FailureKind::kShortcutNotMade, desktop_ + "\\b.lnk"));
    auto data = test::ReadBytes(inst.dir() / "卸载.exe");
    std::string text(data.begin(), data.end());
    EXPECT_NE(text.find(desktop_ + "\\b.lnk"), std::string::npos);
}

TEST_F(ShortcutsTest, UnknownSpecialFoldersLeaveEmptySlots) {
    spec_.shortcuts = {{"a.lnk", "", "", kPlaceGroup}, {"b.lnk", "VozClient.exe", "", kPlaceDesktop}};
    Installation inst(spec_);
    auto failures = Run(inst);  // the shell knows no folder
    EXPECT_EQ(failures.size(), 2u) << test::Describe(failures);
    EXPECT_TRUE(shell_.links.empty());
    std::vector<uint8_t> tail;
    for (uint8_t b : {2, 0, 0, 0}) {
        tail.push_back(b);
    }
    AppendString(tail, "");
    AppendString(tail, "");
    AppendString(tail, "");
    auto data = test::ReadBytes(inst.dir() / "卸载.exe");
    ASSERT_GE(data.size(), tail.size());
    EXPECT_EQ(std::vector<uint8_t>(data.end() - static_cast<long>(tail.size()), data.end()), tail);
}

TEST_F(ShortcutsTest, NamesLeavingTheirFoldersMakeNoLink) {
    spec_.shortcuts = {{"..\\..\\evil.lnk", "VozClient.exe", "", kPlaceDesktop},
                       {"ok.lnk", "..\\..\\Windows\\evil.exe", "", kPlaceDesktop},
                       {"ok2.lnk", "VozClient.exe", "C:\\evil.ico", kPlaceDesktop},
                       {"ok3.lnk", "VozClient.exe", "", kPlaceGroup}};
    spec_.group = "..";
    Installation inst(spec_);
    UseShellFolders(inst);
    auto failures = Run(inst);
    EXPECT_EQ(failures.size(), 4u) << test::Describe(failures);
    for (const auto& f : failures) {
        EXPECT_EQ(f.kind, FailureKind::kUnsafeName) << f.path;
    }
    EXPECT_TRUE(shell_.links.empty());
    EXPECT_EQ(test::TreeListing(inst.temp() / "桌面"), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(inst.temp() / "程序"));
}

TEST(ShortcutWorkingFolder, IsTheTargetsFolder) {
    EXPECT_EQ(ShortcutWorkingFolder("C:\\a\\b.exe"), "C:\\a");
    EXPECT_EQ(ShortcutWorkingFolder("b.exe"), "b.exe");
    // 乗 ends in a backslash byte that is no separator.
    EXPECT_EQ(ShortcutWorkingFolder("C:\\" + Gbk("乗") + "x.exe"), "C:");
    EXPECT_EQ(ShortcutWorkingFolder("C:\\" + Gbk("乗") + "\\x.exe"), "C:\\" + Gbk("乗"));
}

}  // namespace
}  // namespace voz
