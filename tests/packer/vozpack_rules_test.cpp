// vozpack refuses to build what the setup would refuse, and reports it in a
// package built elsewhere; the limits of the setup's reader are met by packing.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "os/file.h"
#include "packer/package_writer.h"
#include "test_support.h"

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
        return test::Vozpack("build " + Quoted(m_dir / "manifest.toml") + " -o " + Quoted(Setup()) + " --placeholder-stub");
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

TEST(VozpackBuild, RefusesEveryNameTheSetupWouldRefuseAndWritesNothing) {
    ManifestTree tree(R"(title = "t"
version = "1"
company = "c"
install_dir = 'Client'
main_exe = "Missing.exe"
default_order_software = 0
group = '..\g'
remove = ['..\..\Windows'])",
                      R"([[shortcut]]
link = '..\..\evil.lnk'
target = '..\..\Windows\notepad.exe'
place = "desktop"
[[shortcut]]
link = "ok.lnk"
target = "nothere.exe"
icon = "none.ico"
place = "group"
[[style_copy]]
source = "VozClient.exe"
dest = '..\..\boot.ini'
style = "a"
[[style_copy]]
source = "none.ini"
dest = "x.ini"
style = "a"
)");
    test::WriteText(tree.Client() / "aux.txt", "x");
    test::WriteText(tree.Client() / "trail.", "x");
    test::WriteText(tree.Client() / "a*b" / "in.txt", "x");
    test::CommandResult r = tree.Build();
    EXPECT_EQ(r.status, 2) << r.out;
    const std::string client = tree.Client().string();
    for (const std::string& line : {
             std::string("install_dir \"Client\": the folder is not absolute"),
             std::string("main_exe \"Missing.exe\": no packed file and no style copy's destination has this name"),
             std::string("group \"..\\g\": the name leads out of its folder"),
             client + "/aux.txt: the name is a Windows device name",
             client + "/trail.: the name ends in a dot or a space",
             client + "/a*b: the name holds a character Windows does not allow",
             std::string("shortcut #1 link \"..\\..\\evil.lnk\": the name leads out of its folder"),
             std::string("shortcut #1 target \"..\\..\\Windows\\notepad.exe\": the name leads out of its folder"),
             std::string("shortcut #2 target \"nothere.exe\": no packed file"),
             std::string("shortcut #2 icon \"none.ico\": no packed file"),
             std::string("style_copy #1 dest \"..\\..\\boot.ini\": the name leads out of its folder"),
             std::string("style_copy #2 source \"none.ini\": no packed file"),
             std::string("remove #1 \"..\\..\\Windows\": the name leads out of its folder"),
         }) {
        EXPECT_NE(r.out.find("vozpack: " + line), std::string::npos) << line << "\n" << r.out;
    }
    EXPECT_NE(r.out.find("the setup would refuse 13 items"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(tree.Setup()));
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

TEST(VozpackVerify, NamesWhatTheSetupWouldRefuseInAPackageBuiltElsewhere) {
    PackageSpec spec;
    spec.installDir = "Client";
    spec.mainExe = "VozClient.exe";
    spec.dirs = {{"", {{"aux.txt", {}, {}, {}, std::vector<uint8_t>{'x'}}}}};
    spec.shortcuts = {{"..\\evil.lnk", "", "", kPlaceDesktop}};
    test::TempDir dir;
    const fs::path setup = dir / "elsewhere.exe";
    {
        os::OutputFile out;
        ASSERT_TRUE(out.Create(setup.string()));
        std::vector<uint8_t> stub(kStubSize, 0);
        ASSERT_TRUE(out.Write(stub.data(), stub.size()));
        WritePackage(spec, out);
        ASSERT_TRUE(out.Close());
    }
    test::CommandResult v = test::Vozpack("verify " + Quoted(setup));
    EXPECT_EQ(v.status, 1) << v.out;
    for (const char* line : {"refused by the setup: install_dir \"Client\": the folder is not absolute",
                             "refused by the setup: main_exe \"VozClient.exe\": no packed file",
                             "refused by the setup: file \"aux.txt\": the name is a Windows device name",
                             "refused by the setup: shortcut #1 link \"..\\evil.lnk\": the name leads out of its folder",
                             "0 damaged items, 4 items the setup would refuse"}) {
        EXPECT_NE(v.out.find(line), std::string::npos) << line << "\n" << v.out;
    }
    test::CommandResult list = test::Vozpack("list " + Quoted(setup));
    EXPECT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find("refused by the setup: file \"aux.txt\""), std::string::npos) << list.out;
}

}  // namespace
}  // namespace voz
