// vozpack refuses to build what the setup would refuse, and what it insists
// on itself; verify reports a package built elsewhere as the setup treats it.
// The limits of the setup's reader are met by packing.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "os/file.h"
#include "package/extract_support.h"
#include "package/install_styles.h"

namespace voz {
namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// A manifest folder with the sample's texts and pictures, a client tree and
// the given manifest lines after the screens.
class ManifestTree {
public:
    explicit ManifestTree(const std::string& header, const std::string& tables = "") {
        const fs::path sample = fs::path(VOZ_SOURCE_DIR) / "sample";
        std::string body = header + "\n[files]\nsource = \"client\"\n[texts]\n";
        for (const char* s : {"main", "welcome", "folder", "style", "order", "extract"}) {
            body += std::string(s) + " = " + Quoted(sample / "texts" / (std::string(s) + ".txt")) + "\n";
        }
        body += "[images]\n";
        for (const char* s : {"main", "welcome", "folder", "style", "order", "extract"}) {
            body += std::string(s) + " = " + Quoted(sample / "screens" / (std::string(s) + ".bmp")) + "\n";
        }
        test::WriteText(m_dir / "manifest.toml", body + tables);
        test::WriteText(m_dir / "client" / "VozClient.exe", "MZ");
    }
    fs::path Client() const { return m_dir / "client"; }
    fs::path Setup() const { return m_dir / "setup.exe"; }
    test::CommandResult Build() const {
        return test::Vozpack("build " + Quoted(m_dir / "manifest.toml") + " -o " + Quoted(Setup()) +
                             " --placeholder-stub");
    }

private:
    test::TempDir m_dir;
};

const char kGoodHeader[] = R"(title = "沃兹期货"
version = "V6.2"
company = "沃兹"
install_dir = 'C:\沃兹期货'
main_exe = "VozClient.exe"
default_order_software = 0
group = "沃兹期货")";

// One line per name to correct, by its manifest key or the file it comes
// from, what only vozpack insists on included; nothing is written.
TEST(VozpackBuild, RefusesEveryNameToCorrectAndWritesNothing) {
    ManifestTree tree(R"(title = "t"
version = "1"
company = "c"
install_dir = 'Client'
main_exe = "Missing.exe"
default_order_software = 0
group = "g")",
                      R"([[shortcut]]
link = '..\evil.lnk'
place = "desktop"
[[style_copy]]
source = "none.ini"
dest = "x.ini"
style = "a"
)");
    test::WriteText(tree.Client() / "aux.txt", "x");
    test::WriteText(tree.Client() / "a*b" / "in.txt", "x");
    test::CommandResult r = tree.Build();
    EXPECT_EQ(r.status, 2) << r.out;
    const std::string client = tree.Client().string();
    for (const std::string& line : {
             std::string("install_dir \"Client\": the folder is not absolute"),
             std::string("main_exe \"Missing.exe\": no packed file and no style copy's destination has this name"),
             client + "/aux.txt: the name is a Windows device name",
             client + "/a*b: the name holds a character Windows does not allow",
             std::string("shortcut #1 link \"..\\evil.lnk\": the name leads out of its folder"),
             std::string("style_copy #1 source \"none.ini\": no packed file"),
         }) {
        EXPECT_NE(r.out.find("vozpack: " + line), std::string::npos) << line << "\n" << r.out;
    }
    EXPECT_NE(r.out.find("nothing written; 6 items to correct"), std::string::npos) << r.out;
    for (const auto& e : fs::directory_iterator(tree.Setup().parent_path())) {
        EXPECT_FALSE(e.path().filename().string().starts_with("setup.exe")) << "left behind: " << e.path();
    }
}

TEST(VozpackBuild, WarnsWhenTheDefaultFolderLeavesLittleRoom) {
    const std::string folder(100, 'f');
    ManifestTree tree(kGoodHeader);
    test::WriteText(tree.Client() / folder / (std::string(120, 'n') + ".txt"), "x");  // 225 bytes
    test::CommandResult r = tree.Build();
    ASSERT_EQ(r.status, 0) << r.out;
    // C:\沃兹期货 is 11 GBK bytes: 11 + 1 + 225 leaves 18 of 255.
    EXPECT_NE(r.out.find("warning: install_dir \"C:\\沃兹期货\": with the longest path of the package behind it, 18 of "
                         "255 bytes are left"),
              std::string::npos)
        << r.out;
}

TEST(VozpackBuild, AFolderOfThousandsOfFilesPacksVerifiesAndExtractsWhole) {
    ManifestTree tree(kGoodHeader);
    const fs::path market = tree.Client() / "行情";
    for (int i = 0; i < 1500; ++i) {
        test::WriteText(market / ("d" + std::to_string(i) + ".day"), std::to_string(i));
    }
    test::CommandResult r = tree.Build();
    ASSERT_EQ(r.status, 0) << r.out;
    test::CommandResult list = test::Vozpack("list --json " + Quoted(tree.Setup()));
    ASSERT_EQ(list.status, 0) << list.out;
    auto j = nlohmann::json::parse(list.out);
    std::vector<size_t> counts;
    for (const auto& folder : j["folders"]) {
        if (folder["name"] == "行情") {
            counts.push_back(folder["files"].size());
        }
    }
    EXPECT_EQ(counts, (std::vector<size_t>{512, 512, 476}));
    EXPECT_TRUE(j["refused"].empty());
    test::CommandResult verify = test::Vozpack("verify " + Quoted(tree.Setup()));
    EXPECT_EQ(verify.status, 0) << verify.out;

    test::TempDir out;
    test::CommandResult extract = test::Vozpack("extract " + Quoted(tree.Setup()) + " -d " + Quoted(out / "Voz"));
    ASSERT_EQ(extract.status, 0) << extract.out;
    EXPECT_EQ(std::count_if(fs::directory_iterator(out / "Voz" / "行情"), fs::directory_iterator(),
                            [](const fs::directory_entry& e) { return e.is_regular_file(); }),
              1500);
    EXPECT_EQ(test::ReadBytes(out / "Voz" / "行情" / "d1499.day"), test::ReadBytes(market / "d1499.day"));
}

// ---- What verify says against what the setup does ---------------------------

// A setup file of the package behind a zero-filled stub.
fs::path WriteSetup(const PackageSource& package, const fs::path& path) {
    std::vector<uint8_t> bytes(kStubSize, 0);
    const std::vector<uint8_t> written = test::Written(package, kPackageOffset);
    bytes.insert(bytes.end(), written.begin(), written.end());
    test::WriteBytes(path, bytes);
    return path;
}

// The setup's own treatment of a package: the folder page refuses an unusable
// default folder, and the installation engine, installing into a folder as
// long as the default (so that the same paths fit), with the first style,
// refuses a name. Returns what it refused, one line each; a failure that is
// no refusal (a style copy of a file that is not there) is left out.
std::string SetupRefusals(const fs::path& setup, const fs::path& temp) {
    CPackageInfo package;
    LoadPackageFile(package, setup.native());
    EXPECT_TRUE(package.m_status.sound()) << package.m_status.reason;
    const std::string defaultFolder(FieldText(package.m_szInstallDir));
    if (CheckName(NameKind::kInstallFolder, defaultFolder) != NameCheck::kSafe) {
        return "install folder\n";
    }
    std::string folder = test::Gbk(temp.string()) + "/";
    folder += std::string(defaultFolder.size() - folder.size(), 'i');
    InstallChoice choice{*gbk::Path::From(folder), InstallStyles(package).empty() ? "" : InstallStyles(package)[0]};
    test::RecordingShell shell;
    shell.folders = {{kCsidlDesktop, test::Gbk((temp / "desktop").string())},
                     {kCsidlPrograms, test::Gbk((temp / "programs").string())}};
    os::InputFile input;
    EXPECT_TRUE(input.Open(setup.native()));
    std::string refused;
    for (const ExtractFailure& f : ExtractPackage(package, input, choice, {.shell = &shell}).failures) {
        if (f.kind == FailureKind::kUnsafeName || f.kind == FailureKind::kPathTooLong) {
            refused += f.path + ": " + DescribeFailureKind(f.kind) + "\n";
        }
    }
    return refused;
}

// The default folder is 64 bytes long, deep enough for a temporary folder of
// the same length to install into.
const std::string kDefaultFolder = "C:\\" + std::string(61, 'v');

// A package of every kind of name that the setup installs without a word.
PackageSource RulePackage() {
    PackageSource package = test::BasePackage();
    CPackageInfo& p = package.record;
    test::Set(p.m_szInstallDir, kDefaultFolder);
    test::Set(p.m_szMainExe, "VozClient.exe");
    test::AddFolder(package, "", {test::File("VozClient.exe", "MZ"), test::File("Voz.ini", "[SYSTEM]")});
    test::AddFolder(package, "Config", {test::File("Lite.ini", "[lite]")});
    p.m_shortcuts = {{"Voz.lnk", "VozClient.exe", "", kPlaceDesktop}, {"Uninstall.lnk", "", "", kPlaceGroup}};
    p.m_copies = {{"Config\\Lite.ini", "Voz.ini", "lite"}};
    p.m_removes = {{"Config"}};
    return package;
}

enum class Verdict { kSound, kNote, kRefused };

// verify's word on the package: refused by the setup (exit 1), a note only
// (exit 0), or nothing to say.
Verdict VerifyVerdict(const fs::path& setup) {
    const test::CommandResult r = test::Vozpack("verify " + Quoted(setup));
    const bool refused = r.out.find("refused by the setup: ") != std::string::npos;
    const bool noted = r.out.find("note (the setup installs it, vozpack build refuses it): ") != std::string::npos;
    EXPECT_EQ(r.status, refused ? 1 : 0) << r.out;
    EXPECT_NE(r.out.find(refused ? "0 damaged items, " : ": sound"), std::string::npos) << r.out;
    return refused ? Verdict::kRefused : noted ? Verdict::kNote : Verdict::kSound;
}

// Every rule of the names, broken once: verify calls refused exactly what the
// setup refuses, and what only vozpack build insists on a note.
TEST(VozpackVerify, RefusesWhatTheSetupRefusesAndNotesWhatItInstallsAsItIs) {
    using test::Set;
    struct Case {
        const char* rule;
        std::function<void(CPackageInfo&)> breakIt;
        Verdict verdict;
    };
    const Case cases[] = {
        {"a sound package", [](CPackageInfo&) {}, Verdict::kSound},
        {"an empty target and removal", [](CPackageInfo& p) { p.m_removes.push_back({""}); }, Verdict::kSound},
        {"main program not packed", [](CPackageInfo& p) { Set(p.m_szMainExe, "main.exe"); }, Verdict::kNote},
        {"main program outside", [](CPackageInfo& p) { Set(p.m_szMainExe, "..\\x.exe"); }, Verdict::kNote},
        {"install folder not absolute", [](CPackageInfo& p) { Set(p.m_szInstallDir, "Client"); }, Verdict::kRefused},
        {"no room for the uninstaller", [](CPackageInfo& p) { Set(p.m_szInstallDir, "C:\\" + std::string(245, 'v')); },
         Verdict::kRefused},
        {"group outside", [](CPackageInfo& p) { Set(p.m_szGroup, "..\\g"); }, Verdict::kRefused},
        {"folder name", [](CPackageInfo& p) { Set(p.m_dirs[1].szName, "a*b"); }, Verdict::kRefused},
        {"folder path too long",
         [](CPackageInfo& p) {
             Set(p.m_szInstallDir, "C:\\" + std::string(197, 'v'));
             Set(p.m_dirs[1].szName, std::string(60, 'd'));
         },
         Verdict::kRefused},
        {"device name", [](CPackageInfo& p) { Set(p.m_dirs[0].files[1].szName, "aux.txt"); }, Verdict::kRefused},
        {"file path too long",
         [](CPackageInfo& p) {
             Set(p.m_dirs[1].szName, std::string(120, 'd'));
             Set(p.m_dirs[1].files[0].szName, std::string(120, 'f'));
         },
         Verdict::kRefused},
        {"link outside", [](CPackageInfo& p) { Set(p.m_shortcuts[0].szLinkName, "..\\evil.lnk"); }, Verdict::kRefused},
        {"link outside, no link made",
         [](CPackageInfo& p) {
             Set(p.m_shortcuts[0].szLinkName, "..\\evil.lnk");
             p.m_shortcuts[0].nPlace = 2;
         },
         Verdict::kNote},
        {"target outside", [](CPackageInfo& p) { Set(p.m_shortcuts[0].szTarget, "..\\x.exe"); }, Verdict::kRefused},
        {"target not packed", [](CPackageInfo& p) { Set(p.m_shortcuts[0].szTarget, "none.exe"); }, Verdict::kNote},
        {"icon on a drive", [](CPackageInfo& p) { Set(p.m_shortcuts[0].szIcon, "C:\\evil.ico"); }, Verdict::kRefused},
        {"icon not packed", [](CPackageInfo& p) { Set(p.m_shortcuts[0].szIcon, "none.ico"); }, Verdict::kNote},
        {"copy source outside", [](CPackageInfo& p) { Set(p.m_copies[0].szSource, "..\\x.ini"); }, Verdict::kRefused},
        {"copy source not packed", [](CPackageInfo& p) { Set(p.m_copies[0].szSource, "none.ini"); }, Verdict::kNote},
        {"copy destination outside", [](CPackageInfo& p) { Set(p.m_copies[0].szDest, "..\\..\\boot.ini"); },
         Verdict::kRefused},
        {"removal outside", [](CPackageInfo& p) { Set(p.m_removes[0].szPath, "..\\..\\Windows"); }, Verdict::kRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        test::TempDir temp;
        PackageSource package = RulePackage();
        c.breakIt(package.record);
        const fs::path setup = WriteSetup(package, temp / "setup.exe");
        const std::string refusals = SetupRefusals(setup, temp.path());
        EXPECT_EQ(!refusals.empty(), c.verdict == Verdict::kRefused) << refusals;
        EXPECT_EQ(VerifyVerdict(setup), c.verdict);
    }
}

// Packages a release engineer might make by other means, each with a main
// program that is not packed: the setup installs each completely, and verify
// finds each sound, with a note.
TEST(VozpackVerify, PackagesTheSetupInstallsCompletelyAreSound) {
    using test::File;
    using test::Gbk;
    const std::vector<uint8_t> noise = test::RandomBytes(150000, 3);
    const std::vector<uint8_t> words = test::CompressibleBytes(150000, 4);
    struct Case {
        const char* what;
        std::function<void(PackageSource&)> fill;
    };
    const Case cases[] = {
        {"plain blocks",
         [&](PackageSource& p) {
             test::AddFolder(p, "", {File("noise.bin", std::string(noise.begin(), noise.end()))});
         }},
        {"compressed blocks",
         [&](PackageSource& p) {
             test::AddFolder(p, "", {File("words.txt", std::string(words.begin(), words.end()))});
         }},
        {"style copies",
         [](PackageSource& p) {
             test::AddFolder(p, Gbk("配置"), {File("a.ini", "a"), File("b.ini", "b")});
             p.record.m_copies = {test::Copy(Gbk("配置\\a.ini"), "Voz.ini", Gbk("全功能版")),
                                  test::Copy(Gbk("配置\\b.ini"), "Voz.ini", Gbk("精简版"))};
             p.record.m_removes = {test::Remove(Gbk("配置"))};
         }},
        {"shortcuts",
         [](PackageSource& p) {
             test::AddFolder(p, "", {File("client.exe", "MZ")});
             p.record.m_shortcuts = {{"a.lnk", "client.exe", "", kPlaceDesktop},
                                     {"b.lnk", "", "", kPlaceGroup},
                                     {"c.lnk", "client.exe", "client.exe", 2}};
         }},
        {"GBK paths",
         [](PackageSource& p) {
             test::AddFolder(p, Gbk("行情数据\\上海"), {File(Gbk("乗说明.txt"), "x")});
             test::AddFolder(p, Gbk("乗"), {File(Gbk("空.txt"), "")});
         }},
        {"65,535-byte texts",
         [&](PackageSource& p) {
             for (int i = 0; i < kScreenCount; ++i) {
                 p.record.Text(i) = std::string(65535, static_cast<char>('a' + i));
             }
         }},
        {"an empty package", [](PackageSource&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir temp;
        PackageSource package = test::BasePackage();
        test::Set(package.record.m_szInstallDir, kDefaultFolder);
        test::Set(package.record.m_szMainExe, "main.exe");
        c.fill(package);
        const fs::path setup = WriteSetup(package, temp / "setup.exe");
        EXPECT_EQ(SetupRefusals(setup, temp.path()), "");
        EXPECT_EQ(VerifyVerdict(setup), Verdict::kNote);
    }
}

}  // namespace
}  // namespace voz
