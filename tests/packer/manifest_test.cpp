#include "packer/manifest.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "packer/bitmap_check.h"
#include "packer/pack_error.h"
#include "test_support.h"

namespace voz {
namespace {

using test::Bitmap;

// A complete, valid manifest folder that each test then breaks in one place.
class ManifestFolder {
public:
    ManifestFolder() {
        const char* screens[] = {"main", "welcome", "folder", "style", "order", "extract"};
        for (const char* s : screens) {
            test::WriteText(m_dir / (std::string("t_") + s + ".txt"), std::string("文字 ") + s + "\n第二行\n");
            test::WriteBytes(m_dir / (std::string("i_") + s + ".bmp"), Bitmap(4, 2));
        }
        test::WriteText(m_dir / "client" / "Voz.ini", "[SYSTEM]\r\n");
        test::WriteText(m_dir / "client" / "VozClient.exe", "MZ");
        test::WriteText(m_dir / "client" / "v.ico", "icon");
        test::WriteText(m_dir / "client" / "配置" / "精简Voz.ini", "x");
        test::WriteBytes(m_dir / "uninst.bin", {1, 2, 3});
        m_body = R"(title = "沃兹期货"
version = "V6.2"
company = "沃兹"
install_dir = 'C:\沃兹期货'
main_exe = "VozClient.exe"
default_order_software = 1
group = "沃兹期货"
uninstaller = "uninst.bin"
remove = ["配置"]
[texts]
main = "t_main.txt"
welcome = "t_welcome.txt"
folder = "t_folder.txt"
style = "t_style.txt"
order = "t_order.txt"
extract = "t_extract.txt"
[images]
main = "i_main.bmp"
welcome = "i_welcome.bmp"
folder = "i_folder.bmp"
style = "i_style.bmp"
order = "i_order.bmp"
extract = "i_extract.bmp"
[files]
source = "client"
[[shortcut]]
link = "a.lnk"
place = "group"
[[shortcut]]
link = "b.lnk"
target = "VozClient.exe"
icon = "v.ico"
place = 7
[[style_copy]]
source = '配置\精简Voz.ini'
dest = "Voz.ini"
style = "精简版"
)";
    }

    void Replace(const std::string& from, const std::string& to) {
        size_t at = m_body.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        m_body.replace(at, from.size(), to);
    }

    PackageSource Load() {
        test::WriteText(m_dir / "manifest.toml", m_body);
        m_report = {};
        return LoadManifest(m_dir / "manifest.toml", m_report);
    }

    // The message of the PackError that loading throws, or else the
    // problems it reports, one per line.
    std::string Error() {
        try {
            Load();
        } catch (const PackError& e) {
            return e.what();
        }
        std::string lines;
        for (const std::string& problem : m_report.problems) {
            lines += problem + "\n";
        }
        return lines.empty() ? "(no error)" : lines;
    }

    const PackReport& report() const { return m_report; }
    const test::TempDir& dir() const { return m_dir; }

private:
    test::TempDir m_dir;
    std::string m_body;
    PackReport m_report;
};

TEST(Manifest, ReadsEveryField) {
    ManifestFolder m;
    const PackageSource package = m.Load();
    const CPackageInfo& p = package.record;
    EXPECT_EQ(p.m_szTitle, test::Gbk("沃兹期货"));
    EXPECT_EQ(p.m_szInstallDir, test::Gbk("C:\\沃兹期货"));
    EXPECT_STREQ(p.m_szSourceDir, "client");  // defaults to the files folder as given
    EXPECT_EQ(p.m_nDefaultOrderSoftware, 1);
    EXPECT_EQ(p.m_strWelcomeText, test::Gbk("文字 welcome\r\n第二行\r\n"));
    EXPECT_EQ(std::vector<uint8_t>(p.m_pExtractImage.get(), p.m_pExtractImage.get() + p.m_nExtractImageSize),
              Bitmap(4, 2));
    EXPECT_TRUE(m.report().problems.empty()) << m.Error();
    ASSERT_EQ(p.m_dirs.size(), 2u);
    EXPECT_STREQ(p.m_dirs[0].szName, "");
    EXPECT_STREQ(p.m_dirs[0].files[0].szName, "Voz.ini");
    EXPECT_EQ(package.SourceOf(0, 0), (m.dir() / "client" / "Voz.ini").string());
    EXPECT_EQ(p.m_dirs[1].szName, test::Gbk("配置"));
    EXPECT_EQ(p.m_dirs[1].files[0].szName, test::Gbk("精简Voz.ini"));
    ASSERT_EQ(p.m_shortcuts.size(), 2u);
    EXPECT_EQ(p.m_shortcuts[0].nPlace, kPlaceGroup);
    EXPECT_STREQ(p.m_shortcuts[0].szTarget, "");
    EXPECT_EQ(p.m_shortcuts[1].nPlace, 7);
    EXPECT_STREQ(p.m_shortcuts[1].szIcon, "v.ico");
    ASSERT_EQ(p.m_copies.size(), 1u);
    EXPECT_EQ(p.m_copies[0].szSource, test::Gbk("配置\\精简Voz.ini"));
    EXPECT_EQ(p.m_copies[0].szStyle, test::Gbk("精简版"));
    ASSERT_EQ(p.m_removes.size(), 1u);
    EXPECT_EQ(p.m_removes[0].szPath, test::Gbk("配置"));
    EXPECT_EQ(package.uninstaller, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(Manifest, FileTimesComeFromTheFilesInUtc) {
    ManifestFolder m;
    // 2024-03-15 09:30:00.250 UTC, a Friday.
    struct timespec times[2] = {{1710495000, 250000000}, {1710495000, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, (m.dir() / "client" / "Voz.ini").c_str(), times, 0), 0);
    const PackageSource package = m.Load();
    const PackageFile& file = package.record.m_dirs[0].files[0];
    for (const PackageTime& t : {file.stLastWrite, file.stLastAccess}) {
        // Year, month, day of the week (Friday), day, hour, minute, second, milliseconds.
        EXPECT_EQ(
            (std::vector<int>{t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds}),
            (std::vector<int>{2024, 3, 5, 15, 9, 30, 0, 250}));
    }
}

TEST(Manifest, RejectsBadInputWithTheFileAndTheReason) {
    struct Case {
        std::string from, to, expected;
    };
    const Case cases[] = {
        {"title = \"沃兹期货\"\n", "", "missing key 'title'"},
        {"group =", "gruop = \"x\"\ngroup =", "unknown key 'gruop'"},
        {"place = 7", "place = \"start\"", "shortcut place must be"},
        {"place = 7", "place = 4294967296", "must be a 32-bit integer"},
        {"company = \"沃兹\"", "company = \"沃兹😀\"", "GBK cannot represent"},
        {"main = \"t_main.txt\"", "main = \"none.txt\"", "none.txt: cannot open the file"},
        {"source = \"client\"", "source = \"nowhere\"", "nowhere: no such folder"},
        {"[files]", "[files]\nextra = 1", "unknown key 'files.extra'"},
        {"default_order_software = 1", "default_order_software = \"1\"", "must be a 32-bit integer"},
        {"title = \"沃兹期货\"", "title = \"沃兹期货", "manifest.toml:1:"},
        {"title = \"沃兹期货\"", "title = \"" + std::string(128, 'x') + "\"",
         "title \"" + std::string(128, 'x') + "\" is 128 bytes; the setup holds at most 127"},
        {"style = \"精简版\"", "style = \"" + std::string(32, 'S') + "\"", "style_copy style \"SSS"},
    };
    for (const Case& c : cases) {
        ManifestFolder m;
        m.Replace(c.from, c.to);
        EXPECT_NE(m.Error().find(c.expected), std::string::npos) << c.expected << " / got: " << m.Error();
    }
}

TEST(Manifest, RejectsFilesTheSetupCannotShowOrName) {
    struct Case {
        std::string file;
        std::vector<uint8_t> bytes;
        std::string expected;
    };
    const Case cases[] = {
        {"t_order.txt", std::vector<uint8_t>(70000, 'x'), "t_order.txt: text over 65,535 bytes"},
        {"i_style.bmp", Bitmap(4, 2, 8), "i_style.bmp: not a picture the setup can draw"},
        {"i_main.bmp", Bitmap(700, 500), "i_main.bmp: image too large"},
        {"i_folder.bmp", {'G', 'I', 'F', '8', '9', 'a'}, "i_folder.bmp: not a picture the setup can draw"},
        {"client/a:b.txt", {'x'}, "a:b.txt: " + std::string(DescribeNameCheck(NameCheck::kLeavesFolder))},
        {"client/" + std::string(128, 'n'), {'x'}, "nnn: " + std::string(DescribeNameCheck(NameCheck::kTooLong))},
        {"client/\xF0\x9F\x98\x80.txt", {'x'}, "cannot be written in GBK"},
    };
    for (const Case& c : cases) {
        ManifestFolder m;
        test::WriteBytes(m.dir() / c.file, c.bytes);
        EXPECT_NE(m.Error().find(c.expected), std::string::npos) << c.file << ": " << m.Error();
    }
}

TEST(Manifest, WarnsOfPicturesTheSetupDrawsCutOffOrSmall) {
    ManifestFolder m;
    test::WriteBytes(m.dir() / "i_main.bmp", Bitmap(492, 308, 32));
    test::WriteBytes(m.dir() / "i_welcome.bmp", Bitmap(500, 300));
    m.Load();
    EXPECT_TRUE(m.report().problems.empty()) << m.Error();
    std::string warnings;
    for (const std::string& w : m.report().warnings) {
        warnings += w + "\n";
    }
    EXPECT_EQ(warnings.find("i_main.bmp"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("i_welcome.bmp: 500x300 is larger than the 492x308 screen"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("i_style.bmp: 4x2 is smaller than the 492x308 screen"), std::string::npos) << warnings;
}

TEST(SetupText, ConvertsLineBreaksToCrLfAndDropsTheByteOrderMark) {
    EXPECT_EQ(SetupText("\xEF\xBB\xBF"
                        "a\nb\r\nc\rd",
                        "t"),
              "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(SetupText("行情", "t"), test::Gbk("行情"));
    EXPECT_THROW(SetupText("\xFF\xFE", "t"), PackError);
}

TEST(BitmapCheck, AcceptsWhatTheSetupDraws) {
    for (uint16_t bits : {24, 32}) {
        BitmapCheck check = CheckSetupBitmap(Bitmap(492, 308, bits));
        EXPECT_EQ(check.problem, "") << bits;
        EXPECT_EQ(check.warning, "") << bits;
    }
    auto cut = Bitmap(10, 10);
    cut.resize(cut.size() - 1);
    for (const auto& bytes : {cut, Bitmap(4, 4, 24, 1), Bitmap(4, 4, 8), Bitmap(4, 4, 16),
                              std::vector<uint8_t>{'B', 'M'}, Bitmap(600, 600)}) {
        EXPECT_NE(CheckSetupBitmap(bytes).problem, "") << bytes.size();
    }
}

}  // namespace
}  // namespace voz
