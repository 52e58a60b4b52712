// Runs the vozpack program as a release engineer would.
#include <map>

#include <nlohmann/json.hpp>

#include "os/text_encoding.h"
#include "package/extract_support.h"
#include "package/package_format.h"
#include "package/uninstall_data.h"

namespace voz {
namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(VOZ_SOURCE_DIR) + "/sample/manifest.toml";

// `tool build` of the sample into `out`, with the given options after it.
test::CommandResult BuildSample(const fs::path& out, const std::string& options = " --placeholder-stub",
                                const std::string& tool = VOZPACK_PATH) {
    return test::RunCommand(tool + " build " + kSample + " -o " + out.string() + options);
}

// The setup begins with the stub and holds its package after it.
bool StartsWith(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& stub) {
    return bytes.size() > stub.size() && std::equal(stub.begin(), stub.end(), bytes.begin());
}

nlohmann::json ListJson(const fs::path& setup, const std::string& tool = VOZPACK_PATH) {
    test::CommandResult r = test::RunCommand(tool + " list --json " + setup.string());
    EXPECT_EQ(r.status, 0) << r.out;
    return nlohmann::json::parse(r.out);
}

// The sample copied to a private folder, so that nothing else reads its files
// (and moves their access times) between the snapshot of its times and packing,
// then built into a setup with the placeholder stub.
class SampleSetup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        m_temp = new test::TempDir();
        fs::copy(fs::path(VOZ_SOURCE_DIR) / "sample", m_temp->path() / "sample", fs::copy_options::recursive);
        for (const auto& entry : fs::recursive_directory_iterator(Client())) {
            if (entry.is_regular_file()) {
                m_times[fs::relative(entry.path(), Client()).string()] = test::FileTimes(entry.path());
            }
        }
        test::CommandResult r = test::Vozpack("build " + (m_temp->path() / "sample/manifest.toml").string() + " -o " +
                                              SetupPath().string() + " --placeholder-stub");
        ASSERT_EQ(r.status, 0) << r.out;
    }
    static void TearDownTestSuite() { delete m_temp; }

    static fs::path Client() { return m_temp->path() / "sample/client"; }
    static fs::path SetupPath() { return m_temp->path() / "setup.exe"; }
    // `vozpack extract` of the sample's setup into dir.
    static test::CommandResult Extract(const fs::path& dir, const std::string& options = "") {
        return test::Vozpack("extract " + SetupPath().string() + " -d " + dir.string() + options);
    }

    static inline test::TempDir* m_temp = nullptr;
    static inline std::map<std::string, std::pair<int64_t, int64_t>> m_times;  // by path relative to the client folder
    test::TempDir m_out;
};

TEST_F(SampleSetup, ListShowsTheWholePackage) {
    const nlohmann::json j = ListJson(SetupPath());
    EXPECT_EQ(j["header"]["title"], "沃兹期货");
    EXPECT_EQ(j["images"]["main"]["width"], 492);
    EXPECT_EQ(j["images"]["main"]["height"], 308);
    EXPECT_EQ(j["shortcuts"].size(), 5u);
    EXPECT_EQ(j["style_copies"][1]["style"], "精简版");
    EXPECT_EQ(j["removes"][0], "配置");
    EXPECT_EQ(j["status"]["state"], "sound");
    // Every file of the sample tree is listed by its path with its size.
    std::map<std::string, uint64_t> listed;
    for (const auto& folder : j["folders"]) {
        std::string name = folder["name"];
        std::replace(name.begin(), name.end(), '\\', '/');
        for (const auto& f : folder["files"]) {
            listed[(fs::path(name) / f["name"].get<std::string>()).string()] = f["size"];
        }
    }
    std::map<std::string, uint64_t> expected;
    for (const auto& e : fs::recursive_directory_iterator(Client())) {
        if (e.is_regular_file()) {
            expected[fs::relative(e.path(), Client()).string()] = e.file_size();
        }
    }
    EXPECT_EQ(listed, expected);
    test::CommandResult text = test::Vozpack("list " + SetupPath().string());
    EXPECT_NE(text.out.find("package: sound"), std::string::npos) << text.out;
}

TEST_F(SampleSetup, VerifyFindsTheSetupSoundThenNamesADamagedFile) {
    test::CommandResult sound = test::Vozpack("verify " + SetupPath().string());
    EXPECT_EQ(sound.status, 0) << sound.out;
    EXPECT_NE(sound.out.find("sound"), std::string::npos) << sound.out;

    test::TempDir dir;
    std::vector<uint8_t> bytes = test::ReadBytes(SetupPath());
    // Patch the first block header of news.dat (after its name, three times and
    // stored length) into a compressed block with no stored bytes.
    fs::path damaged = dir / "damaged.exe";
    std::string marker = "news.dat";
    auto at = std::search(bytes.begin(), bytes.end(), marker.begin(), marker.end());
    ASSERT_NE(at, bytes.end());
    size_t header = static_cast<size_t>(at - bytes.begin()) + marker.size() + 48 + 4;
    bytes[header + 2] = 0;
    bytes[header + 3] = 0;
    bytes[header + 0] = 0x10;  // raw size 0x??10, stored size 0: damaged
    test::WriteBytes(damaged, bytes);
    test::CommandResult v = test::Vozpack("verify " + damaged.string());
    EXPECT_EQ(v.status, 1) << v.out;
    EXPECT_NE(v.out.find("damaged: file 插件\\news.dat"), std::string::npos) << v.out;

    // A setup cut short is reported too.
    bytes.resize(bytes.size() - 100);
    test::WriteBytes(damaged, bytes);
    test::CommandResult cut = test::Vozpack("verify " + damaged.string());
    EXPECT_EQ(cut.status, 1);
    EXPECT_NE(cut.out.find("the package ends early"), std::string::npos) << cut.out;
}

// Bad input of every command: exit status 2, the reason, and nothing written
// beside the inputs (no setup, no half-made one, no install folder).
TEST_F(SampleSetup, BadInputExitsWithStatus2AndWritesNothing) {
    test::TempDir dir;
    test::WriteBytes(dir / "stub.exe", std::vector<uint8_t>(1000, 'M'));
    std::vector<uint8_t> truncated = test::ReadBytes(SetupPath());
    truncated.resize(truncated.size() - 10);
    test::WriteBytes(dir / "short.exe", truncated);
    const std::string out = " -o " + (dir / "out.exe").string();
    const std::string setup = SetupPath().string();
    const std::string installDir = " -d " + (dir / "installed").string();
    const struct {
        std::string args, reason;
    } cases[] = {
        {"build " + (dir / "none.toml").string() + out, "none.toml: no such file"},
        {"build " + kSample + out + " --stub " + (dir / "stub.exe").string(), "must be exactly 315392"},
        {"build " + kSample + out + " --level max", "--level"},
        {"list " + (dir / "none.exe").string(), "none.exe: cannot open the file"},
        {"verify " + (dir / "none.exe").string(), "none.exe: cannot open the file"},
        {"frobnicate", "\"frobnicate\" is no command (build, sign, list, verify, extract)"},
        {"extract " + setup + " -d ''", "\"\": not a path the system can use"},
        {"extract " + setup + installDir + " --style 专业版", "\"全功能版\" \"精简版\""},
        {"extract " + (dir / "short.exe").string() + installDir, "truncated"},
    };
    for (const auto& c : cases) {
        test::CommandResult r = test::Vozpack(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.reason), std::string::npos) << c.args << "\n" << r.out;
        EXPECT_EQ(test::TreeListing(dir.path()), (std::vector<std::string>{"short.exe", "stub.exe"})) << c.args;
    }
}

// Installs the sample with `vozpack extract` and checks the installed tree
// file by file, with times, against the tree it was packed from.
TEST_F(SampleSetup, InstallsEveryFileWithItsTimesThenTheStyleCopyRemovalAndUninstaller) {
    fs::path dir = m_out / "沃兹期货";
    test::CommandResult r = Extract(dir);
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
    for (const LoggedFile& file : data.log.files) {
        std::string path = os::GbkToUtf8(file.path).value_or("?");
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

TEST_F(SampleSetup, TheChosenStyleDecidesTheSettingsFile) {
    fs::path dir = m_out / "lite";
    test::CommandResult r = Extract(dir, " --style 精简版");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(test::ReadBytes(dir / "Voz.ini"), test::ReadBytes(Client() / "配置/精简Voz.ini"));
}

TEST_F(SampleSetup, FailuresAreListedAndTheExitStatusIs1) {
    fs::path dir = m_out / "busy";
    fs::create_directories(dir / "VozClient.exe");  // a folder holds the program's name
    test::CommandResult r = Extract(dir);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("failed: VozClient.exe: file not created"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("nothing installed: everything written was removed"), std::string::npos) << r.out;
    EXPECT_EQ(test::TreeListing(dir), std::vector<std::string>{"VozClient.exe/"});
}

TEST(VozpackCli, BothLevelsPackTheSameTreeAndBestIsSmaller) {
    test::TempDir dir;
    auto storedBytes = [](const fs::path& setup) {
        uint64_t stored = 0;
        const nlohmann::json listing = ListJson(setup);
        for (const auto& folder : listing["folders"]) {
            for (const auto& f : folder["files"]) {
                stored += f["stored"].get<uint64_t>();
            }
        }
        return stored;
    };
    for (const char* level : {"fast", "best"}) {
        fs::path out = dir / (std::string(level) + ".exe");
        test::CommandResult r = BuildSample(out, " --placeholder-stub --level " + std::string(level));
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(test::Vozpack("verify " + out.string()).status, 0) << level;
    }
    EXPECT_LT(storedBytes(dir / "best.exe"), storedBytes(dir / "fast.exe"));
    // The default is best.
    test::CommandResult r = BuildSample(dir / "default.exe");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(test::ReadBytes(dir / "default.exe"), test::ReadBytes(dir / "best.exe"));
}

TEST(VozpackCli, TakesTheGivenStubElseTheOneBesideItself) {
    test::TempDir dir;
    const std::string tool = (dir / "vozpack").string();
    fs::copy_file(VOZPACK_PATH, tool);
    const fs::path setup = dir / "s.exe";

    // Without one, nothing is built: a setup that does not run is made only when asked for.
    test::CommandResult none = BuildSample(setup, "", tool);
    EXPECT_EQ(none.status, 2) << none.out;
    EXPECT_NE(none.out.find("no setup stub"), std::string::npos) << none.out;
    EXPECT_FALSE(fs::exists(setup));
    test::CommandResult placeholder = BuildSample(setup, " --placeholder-stub", tool);
    ASSERT_EQ(placeholder.status, 0) << placeholder.out;
    EXPECT_NE(placeholder.out.find("placeholder"), std::string::npos) << placeholder.out;
    EXPECT_TRUE(StartsWith(test::ReadBytes(setup), std::vector<uint8_t>(kStubSize, 0)));

    const std::vector<uint8_t> besideStub = test::RandomBytes(kStubSize, 9);
    test::WriteBytes(dir / "setup-stub.exe", besideStub);
    test::CommandResult beside = BuildSample(setup, "", tool);
    ASSERT_EQ(beside.status, 0) << beside.out;
    EXPECT_EQ(beside.out.find("placeholder"), std::string::npos) << beside.out;
    EXPECT_TRUE(StartsWith(test::ReadBytes(setup), besideStub));

    // A stub given on the command line wins over the one beside the tool.
    const std::vector<uint8_t> givenStub = test::RandomBytes(kStubSize, 5);
    test::WriteBytes(dir / "given.exe", givenStub);
    ASSERT_EQ(BuildSample(setup, " --stub " + (dir / "given.exe").string(), tool).status, 0);
    EXPECT_TRUE(StartsWith(test::ReadBytes(setup), givenStub));
    EXPECT_EQ(test::Vozpack("verify " + setup.string()).status, 0);
}

TEST(VozpackCli, PacksTheUninstallerBesideItselfUnlessTheManifestNamesOneAndListSaysWhichItIs) {
    test::TempDir dir;
    const std::string tool = (dir / "vozpack").string();
    fs::copy_file(VOZPACK_PATH, tool);
    const fs::path setup = dir / "s.exe";
    auto listed = [&] { return ListJson(setup, tool)["uninstaller"]; };

    test::CommandResult none = BuildSample(setup, " --placeholder-stub", tool);
    ASSERT_EQ(none.status, 0) << none.out;
    EXPECT_NE(none.out.find("no uninstaller: the manifest names none and there is no uninstaller.exe beside vozpack"),
              std::string::npos)
        << none.out;
    EXPECT_EQ(listed()["size"], 0);
    EXPECT_EQ(listed()["kind"], "none: 卸载.exe holds only its data and does not run");

    const std::vector<uint8_t> program = test::PeProgram({{0x200, 0x400}});
    test::WriteBytes(dir / "uninstaller.exe", program);
    test::CommandResult beside = BuildSample(setup, " --placeholder-stub", tool);
    ASSERT_EQ(beside.status, 0) << beside.out;
    EXPECT_NE(beside.out.find("uninstaller: the manifest names none; packing " + (dir / "uninstaller.exe").string()),
              std::string::npos)
        << beside.out;
    EXPECT_EQ(listed()["size"], program.size());
    EXPECT_EQ(listed()["kind"], "32-bit Windows program");
    const std::string besideCrc = listed()["crc32"];

    std::vector<uint8_t> other = program;
    other.back() ^= 1;
    test::WriteBytes(dir / "other.exe", other);
    ASSERT_EQ(BuildSample(setup, " --placeholder-stub --uninstaller " + (dir / "other.exe").string(), tool).status, 0);
    EXPECT_NE(listed()["crc32"], besideCrc);
    test::CommandResult text = test::RunCommand(tool + " list " + setup.string());
    EXPECT_NE(text.out.find("uninstaller: " + std::to_string(program.size()) + " bytes"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("32-bit Windows program, CRC-32 " + listed()["crc32"].get<std::string>()), std::string::npos)
        << text.out;
}

}  // namespace
}  // namespace voz
