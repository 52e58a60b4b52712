// The uninstall on the native file system: an installation's log drives the
// removal, files the user made stay, and protected folders are refused.
#include "package/uninstall.h"

#include "package/extract_support.h"
#include "os/text_encoding.h"
#include "package/wire.h"

namespace voz {
namespace {

namespace fs = std::filesystem;
using test::File;
using test::Gbk;
using test::Installation;

TEST(ProtectedFolder, RootsSystemAndUserFoldersAndTheirParentsAreRefused) {
    SpecialFolders special;
    special.desktop = "C:\\Users\\me\\Desktop";
    special.programs = "C:\\Users\\me\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
    special.windows = "C:\\Windows";
    special.programFiles = "C:\\Program Files";
    special.profile = "C:\\Users\\me";
    const struct {
        const char* folder;
        bool refused;
    } cases[] = {
        {"", true},
        {"C:", true},
        {"C:\\", true},
        {"d:\\", true},
        {"\\\\server\\share", true},
        {"\\\\server\\share\\", true},
        {"\\\\server\\share\\Voz", false},
        {"Voz", true},  // not absolute
        {"C:\\Windows", true},
        {"c:\\WINDOWS\\", true},
        {"C:\\Program Files", true},
        {"C:\\Program Files\\Voz", false},
        {"C:\\Users", true},  // holds the profile
        {"C:\\Users\\me", true},
        {"C:\\Users\\ME\\desktop", true},
        {"C:\\Users\\me\\Desktop\\Voz", false},
        {"C:\\Users\\me\\Voz", false},
        {"C:\\Voz", false},
        {"C:\\Windows2", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsProtectedFolder(c.folder, special), c.refused) << c.folder;
    }
}

TEST(ProtectedFolder, CaseIsFoldedOnlyForSingleByteLetters) {
    // A double-byte GBK character whose second byte is a 'Z', which must not become 'z'.
    const std::string trail = "\x87Z";
    EXPECT_TRUE(SamePath("C:\\VOZ\\" + trail, "c:\\voz\\" + trail + "\\"));
    EXPECT_FALSE(SamePath("C:\\" + trail, std::string("C:\\\x87\x7A")));
    EXPECT_TRUE(IsInside("C:\\Voz\\a.lnk", "c:\\voz"));
    EXPECT_FALSE(IsInside("C:\\Voz2\\a.lnk", "C:\\Voz"));
    EXPECT_FALSE(IsInside("C:\\Voz", "C:\\Voz"));
}

// An installed sample in a temporary folder, with links and a program group
// made as files in stand-in desktop and Programs folders.
class UninstallTest : public ::testing::Test {
protected:
    void Install(bool folderExists = false, const std::vector<std::string>& laterFiles = {}) {
        PackageSource package = test::BasePackage();
        test::AddFolder(package, "", {File("VozClient.exe", "MZ"), File("Voz.ini", "[SYSTEM]")});
        test::AddFolder(package, Gbk("行情数据\\上海"), {File("cu.day", "1234")});
        test::AddFolder(package, Gbk("配置"), {File(Gbk("精简Voz.ini"), "[lite]")});
        package.record.m_copies = {test::Copy(Gbk("配置\\精简Voz.ini"), Gbk("精简.ini"), Gbk("精简版"))};
        package.record.m_removes = {test::Remove(Gbk("配置"))};
        m_inst = std::make_unique<Installation>(package);
        m_inst->SetStyle(Gbk("精简版"));
        if (folderExists) {
            fs::create_directories(m_inst->dir());
            test::WriteText(m_inst->dir() / "other.txt", "not ours");
        }
        ExtractOptions options;
        options.laterFiles = laterFiles;
        options.registerApp = [this](const os::AppListEntry& entry, std::string&) {
            m_registered = entry;
            return true;
        };
        auto failures = m_inst->Run(options).failures;
        ASSERT_TRUE(failures.empty()) << test::Describe(failures);
        for (const std::string& name : laterFiles) {
            test::WriteText(m_inst->dir() / *os::GbkToUtf8(name), "later");
        }
        const std::vector<uint8_t> bytes = test::ReadBytes(m_inst->dir() / "卸载.exe");
        MemoryInput in(bytes.data(), bytes.size());
        m_data = ReadUninstallDataAt(in, 0);  // the test package's uninstaller is empty
        ASSERT_EQ(m_data.state, UninstallDataState::kSound);
        m_installDir = Gbk(m_inst->dir().string());
    }

    void Uninstall() { RemoveLogged(m_installDir, m_data.log, kUninstallerName); }

    std::unique_ptr<Installation> m_inst;
    UninstallData m_data;
    std::string m_installDir;
    os::AppListEntry m_registered;
};

TEST_F(UninstallTest, TheLogAndTheAppListEntryDescribeWhatTheInstallationWroteAndMade) {
    Install(false, {"2nd_voz.ini"});
    const std::vector<std::string> folders = {"", Gbk("行情数据"), Gbk("行情数据\\上海")};
    auto content = [](const std::string& bytes) {
        return FileContent{bytes.size(), Crc32(bytes.data(), bytes.size())};
    };
    // The copy's destination has its source's content; the file written later has none recorded.
    const std::vector<LoggedFile> files = {{"VozClient.exe", content("MZ")},
                                           {"Voz.ini", content("[SYSTEM]")},
                                           {Gbk("行情数据\\上海\\cu.day"), content("1234")},
                                           {Gbk("精简.ini"), content("[lite]")},
                                           {"2nd_voz.ini", std::nullopt}};
    EXPECT_EQ(m_data.log.folders, folders);  // the removed 配置 is forgotten
    EXPECT_EQ(m_data.log.files, files);
    EXPECT_EQ(m_data.log.appListKey, Gbk("沃兹期货"));
    EXPECT_EQ(m_registered.key, Gbk("沃兹期货"));
    EXPECT_EQ(m_registered.displayName, Gbk("沃兹期货"));
    EXPECT_EQ(m_registered.displayVersion, "V6.2");
    EXPECT_EQ(m_registered.installLocation, m_installDir);
    EXPECT_EQ(m_registered.uninstallString, "\"" + m_installDir + "\\" + kUninstallerName + "\"");
    EXPECT_EQ(m_registered.estimatedSizeKb, 1u);  // 2 + 8 + 4 + 6 bytes, rounded up
}

TEST_F(UninstallTest, RemovesEverythingItInstalledAndKeepsWhatTheUserMade) {
    Install(false, {"2nd_voz.ini"});
    test::WriteText(m_inst->dir() / "行情数据/上海/my.day", "user");
    fs::create_directories(m_inst->dir() / "交易记录");
    test::WriteText(m_inst->dir() / "交易记录/今天.txt", "trades");
    Uninstall();
    EXPECT_EQ(test::TreeListing(m_inst->dir()), (std::vector<std::string>{"交易记录/", "交易记录/今天.txt", "行情数据/",
                                                                          "行情数据/上海/", "行情数据/上海/my.day"}));
    Leftovers left = FindLeftovers(m_installDir, 10);
    EXPECT_EQ(left.total, 2u);
    std::sort(left.names.begin(), left.names.end());
    EXPECT_EQ(left.names, (std::vector<std::string>{Gbk("交易记录\\今天.txt"), Gbk("行情数据\\上海\\my.day")}));

    // A second run finishes what is left, here nothing, without harm.
    Uninstall();
    EXPECT_EQ(FindLeftovers(m_installDir, 10).total, 2u);
}

TEST_F(UninstallTest, AFolderThatHeldOtherFilesKeepsThemAndStays) {
    Install(true);
    Uninstall();
    EXPECT_EQ(test::TreeListing(m_inst->dir()), (std::vector<std::string>{"other.txt"}));
}

TEST_F(UninstallTest, ACompleteUninstallRemovesTheInstallFolderAndAPartialOneIsFinishedLater) {
    Install();
    fs::remove(m_inst->dir() / "VozClient.exe");  // deleted by hand
    // A run that stopped half way: it got to the first two files only, of
    // which one cannot be deleted (read-only) and is named with the reason.
    InstallLog half = m_data.log;
    half.files.resize(2);
    fs::permissions(m_inst->dir() / half.files[1].path, fs::perms::owner_write, fs::perm_options::remove);
    const Removal removal = RemoveLogged(m_installDir, half, "");
    EXPECT_TRUE(removal.removed.empty());
    ASSERT_EQ(removal.failures.size(), 1u);
    EXPECT_EQ(removal.failures[0].path, m_installDir + "\\" + half.files[1].path);
    EXPECT_FALSE(removal.failures[0].detail.empty());
    EXPECT_TRUE(fs::exists(m_inst->dir() / "行情数据/上海/cu.day"));
    EXPECT_TRUE(fs::exists(m_inst->dir() / "卸载.exe"));
    fs::permissions(m_inst->dir() / half.files[1].path, fs::perms::owner_write, fs::perm_options::add);
    Uninstall();
    EXPECT_FALSE(fs::exists(m_inst->dir()));
}

TEST_F(UninstallTest, RemovesOnlyShellLinksInTheDesktopAndProgramsFoldersAndAnEmptyGroup) {
    test::TempDir shell;
    fs::create_directories(shell / "桌面");
    fs::create_directories(shell / "程序/沃兹");
    fs::create_directories(shell / "其他");
    for (const char* file : {"桌面/a.lnk", "桌面/b.txt", "程序/沃兹/u.LNK", "其他/c.lnk"}) {
        test::WriteText(shell.path() / file, "link");
    }
    SpecialFolders special;
    special.desktop = Gbk((shell / "桌面").string());
    special.programs = Gbk((shell / "程序").string());
    UninstallTable table;
    table.links = {special.desktop + "\\a.lnk",
                   special.desktop + "\\b.txt",
                   "",
                   special.programs + Gbk("\\沃兹\\u.LNK"),
                   Gbk((shell / "其他/c.lnk").string()),
                   special.desktop + "\\gone.lnk"};
    table.group = special.programs + Gbk("\\沃兹");
    RemoveLinks(table, special);
    RemoveGroup(table, special);
    EXPECT_EQ(test::TreeListing(shell.path()),
              (std::vector<std::string>{"其他/", "其他/c.lnk", "桌面/", "桌面/b.txt", "程序/"}));

    // A group that is the Programs folder itself, or lies outside it, stays.
    table.group = special.programs;
    RemoveGroup(table, special);
    table.group = Gbk((shell / "其他").string());
    fs::remove(shell / "其他/c.lnk");
    RemoveGroup(table, special);
    EXPECT_TRUE(fs::exists(shell / "程序"));
    EXPECT_TRUE(fs::exists(shell / "其他"));
}

}  // namespace
}  // namespace voz
