// Runs the vozpack program as a release engineer would.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "package/package_format.h"
#include "test_support.h"

namespace voz {
namespace {

namespace fs = std::filesystem;

const std::string kSample = std::string(VOZ_SOURCE_DIR) + "/sample/manifest.toml";

class SampleSetup : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        m_dir = new test::TempDir();
        test::CommandResult r =
            test::Vozpack("build " + kSample + " -o " + (m_dir->path() / "setup.exe").string() + " --placeholder-stub");
        ASSERT_EQ(r.status, 0) << r.out;
    }
    static void TearDownTestSuite() { delete m_dir; }
    static fs::path SetupPath() { return m_dir->path() / "setup.exe"; }
    static test::TempDir* m_dir;
};
test::TempDir* SampleSetup::m_dir = nullptr;

TEST_F(SampleSetup, BuildsAStubFollowedByThePackage) {
    std::vector<uint8_t> bytes = test::ReadBytes(SetupPath());
    ASSERT_GT(bytes.size(), kStubSize);
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + kStubSize, [](uint8_t b) { return b == 0; }));
    test::CommandResult r = test::Vozpack("verify " + SetupPath().string());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("sound"), std::string::npos);
}

TEST_F(SampleSetup, ListShowsTheWholePackage) {
    test::CommandResult r = test::Vozpack("list --json " + SetupPath().string());
    ASSERT_EQ(r.status, 0) << r.out;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["header"]["title"], "沃兹期货");
    EXPECT_EQ(j["images"]["main"]["width"], 492);
    EXPECT_EQ(j["images"]["main"]["height"], 308);
    EXPECT_EQ(j["shortcuts"].size(), 5u);
    EXPECT_EQ(j["style_copies"][1]["style"], "精简版");
    EXPECT_EQ(j["removes"][0], "配置");
    EXPECT_EQ(j["status"]["state"], "sound");
    // Every file of the sample tree is listed with its size.
    size_t files = 0;
    uint64_t bytes = 0;
    for (const auto& folder : j["folders"]) {
        for (const auto& f : folder["files"]) {
            ++files;
            bytes += f["size"].get<uint64_t>();
        }
    }
    size_t expectedFiles = 0;
    uint64_t expectedBytes = 0;
    for (const auto& e : fs::recursive_directory_iterator(fs::path(VOZ_SOURCE_DIR) / "sample" / "client")) {
        if (e.is_regular_file()) {
            ++expectedFiles;
            expectedBytes += e.file_size();
        }
    }
    EXPECT_EQ(files, expectedFiles);
    EXPECT_EQ(bytes, expectedBytes);
    test::CommandResult text = test::Vozpack("list " + SetupPath().string());
    EXPECT_NE(text.out.find("package: sound"), std::string::npos) << text.out;
}

TEST_F(SampleSetup, VerifyNamesADamagedFile) {
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

TEST_F(SampleSetup, AnEmptyInstallFolderIsBadInputNotACrash) {
    test::CommandResult r = test::Vozpack("extract " + SetupPath().string() + " -d ''");
    EXPECT_EQ(r.status, 2) << r.out;
    EXPECT_NE(r.out.find("\"\": not a path the system can use"), std::string::npos) << r.out;
}

TEST(VozpackCli, BadInputExitsWithStatus2AndLeavesNoOutput) {
    test::TempDir dir;
    fs::path out = dir / "setup.exe";
    test::CommandResult missing = test::Vozpack("build " + (dir / "none.toml").string() + " -o " + out.string());
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.out.find("none.toml: no such file"), std::string::npos) << missing.out;

    test::WriteBytes(dir / "stub.exe", std::vector<uint8_t>(1000, 'M'));
    test::CommandResult stub = test::Vozpack("build " + kSample + " -o " + out.string() + " --stub " + (dir / "stub.exe").string());
    EXPECT_EQ(stub.status, 2);
    EXPECT_NE(stub.out.find("must be exactly 315392"), std::string::npos) << stub.out;
    EXPECT_TRUE(fs::is_empty(dir.path()) || !fs::exists(out));
    for (const auto& e : fs::directory_iterator(dir.path())) {
        EXPECT_EQ(e.path().filename(), "stub.exe") << "left behind: " << e.path();
    }

    EXPECT_EQ(test::Vozpack("list " + (dir / "none.exe").string()).status, 2);
    EXPECT_EQ(test::Vozpack("verify " + (dir / "none.exe").string()).status, 2);
    EXPECT_EQ(test::Vozpack("frobnicate").status, 2);
}

TEST(VozpackCli, BothLevelsPackTheSameTreeAndBestIsSmaller) {
    test::TempDir dir;
    auto storedBytes = [](const fs::path& setup) {
        test::CommandResult r = test::Vozpack("list --json " + setup.string());
        uint64_t stored = 0;
        const nlohmann::json listing = nlohmann::json::parse(r.out);
        for (const auto& folder : listing["folders"]) {
            for (const auto& f : folder["files"]) {
                stored += f["stored"].get<uint64_t>();
            }
        }
        return stored;
    };
    for (const char* level : {"fast", "best"}) {
        fs::path out = dir / (std::string(level) + ".exe");
        test::CommandResult r = test::Vozpack("build " + kSample + " -o " + out.string() + " --level " + level + " --placeholder-stub");
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_EQ(test::Vozpack("verify " + out.string()).status, 0) << level;
    }
    EXPECT_LT(storedBytes(dir / "best.exe"), storedBytes(dir / "fast.exe"));
    // The default is best.
    test::CommandResult r = test::Vozpack("build " + kSample + " -o " + (dir / "default.exe").string() + " --placeholder-stub");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(test::ReadBytes(dir / "default.exe"), test::ReadBytes(dir / "best.exe"));

    test::CommandResult unknown = test::Vozpack("build " + kSample + " -o " + (dir / "x.exe").string() + " --level max");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.out.find("--level"), std::string::npos) << unknown.out;
    EXPECT_FALSE(fs::exists(dir / "x.exe"));
}

TEST(VozpackCli, UsesTheGivenStub) {
    test::TempDir dir;
    std::vector<uint8_t> stub = test::RandomBytes(kStubSize, 5);
    test::WriteBytes(dir / "stub.exe", stub);
    test::CommandResult r = test::Vozpack("build " + kSample + " -o " + (dir / "s.exe").string() + " --stub " + (dir / "stub.exe").string());
    ASSERT_EQ(r.status, 0) << r.out;
    std::vector<uint8_t> bytes = test::ReadBytes(dir / "s.exe");
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), bytes.begin()));
    EXPECT_EQ(test::Vozpack("verify " + (dir / "s.exe").string()).status, 0);
}

TEST(VozpackCli, TakesTheStubBesideItselfByDefault) {
    test::TempDir dir;
    const fs::path tool = dir / "vozpack";
    fs::copy_file(VOZPACK_PATH, tool);
    const std::string build = "build " + kSample + " -o " + (dir / "s.exe").string();

    // Without one, nothing is built: a setup that does not run is made only when asked for.
    test::CommandResult none = test::RunCommand(tool.string() + " " + build);
    EXPECT_EQ(none.status, 2) << none.out;
    EXPECT_NE(none.out.find("no setup stub"), std::string::npos) << none.out;
    EXPECT_FALSE(fs::exists(dir / "s.exe"));
    test::CommandResult placeholder = test::RunCommand(tool.string() + " " + build + " --placeholder-stub");
    ASSERT_EQ(placeholder.status, 0) << placeholder.out;
    EXPECT_NE(placeholder.out.find("placeholder"), std::string::npos) << placeholder.out;
    std::vector<uint8_t> bytes = test::ReadBytes(dir / "s.exe");
    EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + kStubSize, [](uint8_t b) { return b == 0; }));

    std::vector<uint8_t> stub = test::RandomBytes(kStubSize, 9);
    test::WriteBytes(dir / "setup-stub.exe", stub);
    test::CommandResult beside = test::RunCommand(tool.string() + " " + build);
    ASSERT_EQ(beside.status, 0) << beside.out;
    EXPECT_EQ(beside.out.find("placeholder"), std::string::npos) << beside.out;
    bytes = test::ReadBytes(dir / "s.exe");
    EXPECT_TRUE(std::equal(stub.begin(), stub.end(), bytes.begin()));
}

TEST(VozpackCli, PacksTheUninstallerBesideItselfUnlessTheManifestNamesOneAndListSaysWhichItIs) {
    test::TempDir dir;
    const fs::path tool = dir / "vozpack";
    fs::copy_file(VOZPACK_PATH, tool);
    const std::string build = "build " + kSample + " -o " + (dir / "s.exe").string() + " --placeholder-stub";
    auto listed = [&] {
        test::CommandResult r = test::RunCommand(tool.string() + " list --json " + (dir / "s.exe").string());
        EXPECT_EQ(r.status, 0) << r.out;
        return nlohmann::json::parse(r.out)["uninstaller"];
    };

    test::CommandResult none = test::RunCommand(tool.string() + " " + build);
    ASSERT_EQ(none.status, 0) << none.out;
    EXPECT_NE(none.out.find("no uninstaller: the manifest names none and there is no uninstaller.exe beside vozpack"),
              std::string::npos)
        << none.out;
    EXPECT_EQ(listed()["size"], 0);
    EXPECT_EQ(listed()["kind"], "none: 卸载.exe holds only its data and does not run");

    const std::vector<uint8_t> program = test::PeProgram({{0x200, 0x400}});
    test::WriteBytes(dir / "uninstaller.exe", program);
    test::CommandResult beside = test::RunCommand(tool.string() + " " + build);
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
    ASSERT_EQ(test::RunCommand(tool.string() + " " + build + " --uninstaller " + (dir / "other.exe").string()).status, 0);
    EXPECT_NE(listed()["crc32"], besideCrc);
    test::CommandResult text = test::RunCommand(tool.string() + " list " + (dir / "s.exe").string());
    EXPECT_NE(text.out.find("uninstaller: " + std::to_string(program.size()) + " bytes"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("32-bit Windows program, CRC-32 " + listed()["crc32"].get<std::string>()), std::string::npos)
        << text.out;
}

}  // namespace
}  // namespace voz
