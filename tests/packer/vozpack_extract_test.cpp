// Installs the sample client with `vozpack extract` and checks the installed
// tree file by file, with times, against the tree it was packed from.

#include <map>

#include "package/extract_support.h"
#include "os/text_encoding.h"
#include "package/uninstall_data.h"

namespace voz {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The sample copied to a private folder, so that nothing else reads its files
// (and moves their access times) between the snapshot of its times and packing.
class SampleInstall : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        m_temp = new test::TempDir();
        fs::copy(fs::path(VOZ_SOURCE_DIR) / "sample", m_temp->path() / "sample", fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(Client())) {
            if (entry.is_regular_file()) {
                m_times[fs::relative(entry.path(), Client()).string()] = test::FileTimes(entry.path());
            }
        }
        test::CommandResult r = test::Vozpack("build " + Quoted(m_temp->path() / "sample/manifest.toml") + " -o " + Quoted(SetupFile()) +
                                              " --placeholder-stub");
        ASSERT_EQ(r.status, 0) << r.out;
    }
    static void TearDownTestSuite() { delete m_temp; }

    static fs::path Client() { return m_temp->path() / "sample/client"; }
    static fs::path SetupFile() { return m_temp->path() / "setup.exe"; }

    static inline test::TempDir* m_temp = nullptr;
    static inline std::map<std::string, std::pair<int64_t, int64_t>> m_times;  // by path relative to the client folder
    test::TempDir m_out;
};

TEST_F(SampleInstall, InstallsEveryFileWithItsTimesThenTheStyleCopyRemovalAndUninstaller) {
    fs::path dir = m_out / "沃兹期货";
    test::CommandResult r = test::Vozpack("extract " + Quoted(SetupFile()) + " -d " + Quoted(dir));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("style 全功能版; shortcuts are not made"), std::string::npos) << r.out;

    // Expected: the source without the removed 配置 folder, and the uninstaller.
    std::vector<std::string> expected = test::TreeListing(Client());
    std::erase_if(expected, [](const std::string& entry) { return entry.starts_with("配置"); });
    expected.push_back("卸载.exe");
    std::sort(expected.begin(), expected.end());
    ASSERT_EQ(test::TreeListing(dir), expected);
    // Times before bytes, as reading may move a file's access time. Voz.ini is
    // the first style's copy, which keeps its source's last-write time.
    for (const auto& [relative, times] : m_times) {
        if (relative == "Voz.ini") {
            EXPECT_EQ(test::FileTimes(dir / relative).second, m_times.at("配置/全功能Voz.ini").second);
        } else if (!relative.starts_with("配置/")) {
            EXPECT_EQ(test::FileTimes(dir / relative), times) << relative;
        }
    }
    for (const auto& [relative, times] : m_times) {
        if (!relative.starts_with("配置/")) {
            std::string source = relative == "Voz.ini" ? "配置/全功能Voz.ini" : relative;
            EXPECT_EQ(test::ReadBytes(dir / relative), test::ReadBytes(Client() / source)) << relative;
        }
    }
    // The uninstaller, then the table: five empty link slots and no group, as
    // no shortcuts are made; then the log of every file written.
    const std::string table = std::string("\x08\0\0\0", 4) + test::Gbk("沃兹期货") +
                              std::string("\x04\0\0\0V6.2\x05\0\0\0", 12) + std::string(24, '\0');
    const std::vector<uint8_t> uninstaller = test::ReadBytes(dir / "卸载.exe");
    // vozpack finds no uninstaller program beside it here: the data starts the file.
    ASSERT_GT(uninstaller.size(), table.size());
    EXPECT_EQ(std::string(uninstaller.begin(), uninstaller.begin() + static_cast<long>(table.size())), table);
    MemoryInput in(uninstaller.data(), uninstaller.size());
    const UninstallData data = ReadUninstallDataAt(in, 0);
    ASSERT_EQ(data.state, UninstallDataState::kSound);
    std::vector<std::string> logged;
    for (const std::string& file : data.log.files) {
        std::string path = os::GbkToUtf8(file).value_or("?");
        std::replace(path.begin(), path.end(), '\\', '/');
        logged.push_back(path);
    }
    std::sort(logged.begin(), logged.end());
    std::vector<std::string> installed;
    for (const std::string& entry : expected) {
        if (!entry.ends_with("/") && entry != "卸载.exe") {
            installed.push_back(entry);
        }
    }
    EXPECT_EQ(logged, installed);
}

TEST_F(SampleInstall, TheChosenStyleDecidesTheSettingsFile) {
    fs::path dir = m_out / "lite";
    test::CommandResult r = test::Vozpack("extract " + Quoted(SetupFile()) + " -d " + Quoted(dir) + " --style 精简版");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(test::ReadBytes(dir / "Voz.ini"), test::ReadBytes(Client() / "配置/精简Voz.ini"));
}

TEST_F(SampleInstall, FailuresAreListedAndTheExitStatusIs1) {
    fs::path dir = m_out / "busy";
    fs::create_directories(dir / "VozClient.exe");  // a folder holds the program's name
    test::CommandResult r = test::Vozpack("extract " + Quoted(SetupFile()) + " -d " + Quoted(dir));
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("failed: VozClient.exe: file not created"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(dir / "网站/官方网站.url"));  // the rest was installed
}

}  // namespace
}  // namespace voz
