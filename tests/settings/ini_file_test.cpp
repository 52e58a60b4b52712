#include "settings/ini_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "test_support.h"

namespace voz {
namespace {

using test::Gbk;
using test::ReadText;
using test::TempDir;

CIniFile Ini(const std::string& text) {
    CIniFile ini;
    EXPECT_EQ(ini.Parse(text), IniStatus::kOk);
    return ini;
}

// ---- Reading ----

TEST(IniRead, NamesMatchWithoutRegardToAsciiCaseOrSurroundingBlanks) {
    CIniFile ini = Ini("[system]\r\n  scrollPERIOD \t=  7 \r\n");
    EXPECT_EQ(ini.GetInt("SYSTEM", "ScrollPeriod", -1), 7u);
    EXPECT_EQ(ini.GetInt(" System ", " SCROLLPERIOD", -1), 7u);
    EXPECT_EQ(ini.GetString("SyStEm", "scrollperiod", "No", 20), "7");
}

TEST(IniRead, DoubleByteCharactersAreComparedExactly) {
    // 丄 and 乤 differ only in a trail byte that equals 'A' or 'a'.
    CIniFile ini = Ini("[" + Gbk("丄") + "]\r\nk=1\r\n");
    EXPECT_EQ(ini.GetInt(Gbk("丄"), "k", -1), 1u);
    EXPECT_EQ(ini.GetInt(Gbk("乤"), "k", -1), static_cast<uint32_t>(-1));
    // The trail byte of 癩 is ']': the line below is not a section header, so j stays in S.
    CIniFile bracket = Ini("[S]\r\n[X" + Gbk("癩") + "\r\nj=2\r\n");
    EXPECT_EQ(bracket.GetInt("S", "j", -1), 2u);
    // A section name is closed by the last real ']' of its line.
    CIniFile named = Ini("[" + Gbk("癩") + "]\r\nk=3\r\n");
    EXPECT_EQ(named.GetInt(Gbk("癩"), "k", -1), 3u);
}

TEST(IniRead, IntegerReadingFollowsThePlatform) {
    struct Case {
        const char* value;
        uint32_t expected;
    };
    const uint32_t kDefault = static_cast<uint32_t>(-77);
    const Case cases[] = {
        {"5", 5},
        {"-5", 4294967291u},
        {"+5", 5},
        {"", kDefault},
        {"\"\"", kDefault},
        {"''", kDefault},
        {"abc", 0},
        {" 7 ", 7},
        {"\t9", 9},
        {"0x1F", 31},
        {"0X1F", 0},
        {"0o17", 15},
        {"0b101", 5},
        {"0x", 0},
        {"12abc", 12},
        {"-", 0},
        {"+", 0},
        {"- 5", 0},
        {"--5", 0},
        {"\"42\"", 42},
        {"'42'", 42},
        {"\"5", 0},
        {"5\"", 5},
        {"1.5", 1},
        {"4294967297", 1},
        {"-4294967297", 4294967295u},
        {"123456789012345678901234567890123", 2789360843u},
    };
    for (const Case& c : cases) {
        CIniFile ini = Ini(std::string("[S]\r\nk=") + c.value + "\r\n");
        EXPECT_EQ(ini.GetInt("S", "k", -77), c.expected) << "value [" << c.value << "]";
    }
    EXPECT_EQ(Ini("[S]\r\nk=" + Gbk("值") + "\r\n").GetInt("S", "k", 4), 0u);
}

TEST(IniRead, MissingFileSectionOrKeyGivesTheDefault) {
    CIniFile empty;
    EXPECT_EQ(empty.GetInt("SYSTEM", "HLDisplayRate", 15), 15u);
    EXPECT_EQ(empty.GetString("SYSTEM", "ScrollQuot", "No", 20), "No");
    CIniFile ini = Ini("k=1\r\n[S]\r\nj=2\r\nnovalue\r\n; c=3\r\n[T]\r\n");
    EXPECT_EQ(ini.GetInt("X", "j", 8), 8u);        // missing section
    EXPECT_EQ(ini.GetInt("S", "x", 8), 8u);        // missing key
    EXPECT_EQ(ini.GetInt("T", "j", 8), 8u);        // key of another section
    EXPECT_EQ(ini.GetInt("S", "novalue", 8), 8u);  // a line without '='
    EXPECT_EQ(ini.GetString("S", "novalue", "No", 20), "No");
    EXPECT_EQ(ini.GetInt("S", "c", 8), 8u);  // a comment holds no key
    EXPECT_EQ(ini.GetInt("S", "k", 8), 8u);  // lines before the first section belong to none
    EXPECT_EQ(ini.GetInt("", "k", 8), 8u);
}

TEST(IniRead, FirstSectionAndFirstKeyOfANameCount) {
    CIniFile ini = Ini("[S]\r\nk=1\r\nK=2\r\n[s]\r\nk=3\r\nm=4\r\n");
    EXPECT_EQ(ini.GetInt("S", "k", -1), 1u);
    EXPECT_EQ(ini.GetInt("S", "m", -1), static_cast<uint32_t>(-1));
}

TEST(IniRead, TextIsUnquotedAndCutToTheBuffer) {
    CIniFile ini =
        Ini("[S]\r\nq=\"Yes\"\r\ns='a b'\r\nlong=abcdefghijklmnopqrstuvwxyz\r\nempty=\r\n"
            "gbk=" +
            Gbk("期货期货期货期货期货期货") + "\r\nhalf=\"x\r\n");
    EXPECT_EQ(ini.GetString("S", "q", "No", 20), "Yes");
    EXPECT_EQ(ini.GetString("S", "s", "No", 20), "a b");
    EXPECT_EQ(ini.GetString("S", "long", "No", 20), "abcdefghijklmnopqrs");
    EXPECT_EQ(ini.GetString("S", "long", "No", 1), "");
    EXPECT_EQ(ini.GetString("S", "long", "No", 0), "");
    EXPECT_EQ(ini.GetString("S", "empty", "No", 20), "");  // present but empty: not the default
    EXPECT_EQ(ini.GetString("S", "half", "No", 20), "\"x");
    // A quoted value that exactly fills the buffer keeps all its characters.
    EXPECT_EQ(Ini("[S]\r\nq=\"abcdefghijklmnopqrs\"\r\n").GetString("S", "q", "", 20), "abcdefghijklmnopqrs");
    // 19 bytes would end inside the tenth character, so nine characters come back.
    EXPECT_EQ(ini.GetString("S", "gbk", "No", 20), Gbk("期货期货期货期货期"));
    EXPECT_EQ(ini.GetString("S", "missing", "No   ", 20), "No");
}

TEST(IniRead, LineEndsByteOrderMarkAndLongLines) {
    EXPECT_EQ(Ini("[S]\nk=1\nj=2").GetInt("S", "j", -1), 2u);
    EXPECT_EQ(Ini("[S]\rk=1\rj=2\r").GetInt("S", "j", -1), 2u);
    EXPECT_EQ(Ini("[S]\r\nk=1\r\nj=2").GetInt("S", "j", -1), 2u);
    EXPECT_EQ(Ini("\xEF\xBB\xBF[S]\r\nk=5\r\n").GetInt("S", "k", -1), 5u);
    std::string longValue(100000, 'x');
    CIniFile ini = Ini("[S]\r\nlong=" + longValue + "\r\nk=12\r\n");
    EXPECT_EQ(ini.GetString("S", "long", "", longValue.size() + 1), longValue);
    EXPECT_EQ(ini.GetInt("S", "k", -1), 12u);
}

TEST(IniRead, UnusableNamesGiveTheDefault) {
    CIniFile ini = Ini("[S]\r\n;c=1\r\n[x=2\r\n");
    EXPECT_EQ(ini.GetInt("S", ";c", 9), 9u);
    EXPECT_EQ(ini.GetInt("S", "[x", 9), 9u);
    EXPECT_EQ(ini.GetInt("S", "", 9), 9u);
    EXPECT_EQ(ini.GetString("S\n", "c", "d", 20), "d");
}

// ---- Writing ----

// One write into a file: only the key's own line changes, a new key goes
// after the last non-blank line of its section, a new section at the end,
// each with the file's own line break (CR LF in a file without one).
TEST(IniWrite, ChangesOnlyWhatTheKeyNeeds) {
    struct Case {
        std::string before, section, key, value, after;
    };
    const Case cases[] = {
        {"; client options\n[SYSTEM]\n  scrollperiod =  5  ; old\nUnknown=abc\n\n[TA]\nx=1", "system", "ScrollPeriod",
         "0", "; client options\n[SYSTEM]\n  scrollperiod =  0\nUnknown=abc\n\n[TA]\nx=1"},
        {"[S]\r\nA=1\r\n; note\r\n\r\n[T]\r\nx=1\r\n", "S", "B", "2",
         "[S]\r\nA=1\r\n; note\r\nB=2\r\n\r\n[T]\r\nx=1\r\n"},
        {"[S]\r\nA=1\r\n\r\n[T]\r\nx=1\r\n", "T", "y", "3", "[S]\r\nA=1\r\n\r\n[T]\r\nx=1\r\ny=3\r\n"},
        {"[S]", "S", "k", "1", "[S]\r\nk=1\r\n"},
        {"[S]\nk=1", "QLRT", "UseMa", "0", "[S]\nk=1\n[QLRT]\nUseMa=0\n"},
        {"[S]\rk=1\r", "T", "j", "2", "[S]\rk=1\r[T]\rj=2\r"},
        {"", "SYSTEM", "MainTrade", "1", "[SYSTEM]\r\nMainTrade=1\r\n"},
        {"\xEF\xBB\xBF", "S", "k", "1", "\xEF\xBB\xBF[S]\r\nk=1\r\n"},
        {"[S]\r\nk\r\n", "S", "K", "1", "[S]\r\nk=1\r\n"},  // a key without value gets one
    };
    for (const Case& c : cases) {
        CIniFile ini = Ini(c.before);
        ASSERT_EQ(ini.SetString(c.section, c.key, c.value), IniStatus::kOk) << c.before;
        EXPECT_EQ(ini.Bytes(), c.after);
        EXPECT_TRUE(ini.Modified());
    }
}

TEST(IniWrite, SameValueLeavesTheContentUnmodified) {
    CIniFile ini = Ini("[S]\nk = 1\n");
    ASSERT_EQ(ini.SetString("S", "k", "1"), IniStatus::kOk);
    EXPECT_FALSE(ini.Modified());
    EXPECT_EQ(ini.Bytes(), "[S]\nk = 1\n");
}

TEST(IniWrite, WrittenValuesReadBack) {
    CIniFile ini = Ini("[S]\r\n");
    const std::string gbkValue = Gbk("金仕达客户端");
    ASSERT_EQ(ini.SetString(Gbk("测试"), Gbk("键"), gbkValue), IniStatus::kOk);
    ASSERT_EQ(ini.SetString("S", "n", "4294967295"), IniStatus::kOk);
    EXPECT_EQ(ini.GetString(Gbk("测试"), Gbk("键"), "", 64), gbkValue);
    EXPECT_EQ(ini.GetInt("S", "n", 0), 4294967295u);
}

TEST(IniWrite, RefusesNamesAndValuesThatCannotBeStored) {
    CIniFile ini = Ini("[S]\r\nk=1\r\n");
    const std::string lone = "\x81";
    EXPECT_EQ(ini.SetString("", "k", "1"), IniStatus::kBadName);
    EXPECT_EQ(ini.SetString("  ", "k", "1"), IniStatus::kBadName);
    EXPECT_EQ(ini.SetString("S", "", "1"), IniStatus::kBadName);
    EXPECT_EQ(ini.SetString("S", ";k", "1"), IniStatus::kBadName);
    EXPECT_EQ(ini.SetString("S", "[k", "1"), IniStatus::kBadName);
    EXPECT_EQ(ini.SetString("S", "a=b", "1"), IniStatus::kBadName);
    EXPECT_EQ(ini.SetString("S\r\nT", "k", "1"), IniStatus::kBadName);
    EXPECT_EQ(ini.SetString("X" + lone, "k", "1"), IniStatus::kBadName);  // its lead byte would swallow ']'
    EXPECT_EQ(ini.SetString("S", "k", "1\r\nj=2"), IniStatus::kBadValue);
    EXPECT_EQ(ini.SetString("S", "k", std::string("1\0", 2)), IniStatus::kBadValue);
    EXPECT_EQ(ini.Bytes(), "[S]\r\nk=1\r\n");
    EXPECT_FALSE(ini.Modified());
    EXPECT_STRNE(DescribeIniStatus(IniStatus::kBadName), DescribeIniStatus(IniStatus::kBadValue));
}

// ---- Files ----

TEST(IniFileOnDisk, MissingFileLoadsEmptyAndSaveCreatesIt) {
    TempDir dir;
    const auto path = dir / "new.ini";
    CIniFile ini;
    ASSERT_EQ(ini.Load(path.string()), IniStatus::kOk);
    EXPECT_TRUE(ini.Bytes().empty());
    ASSERT_EQ(ini.SetString("SYSTEM", "MainTrade", "2"), IniStatus::kOk);
    ASSERT_EQ(ini.Save(path.string()), IniStatus::kOk);
    EXPECT_EQ(ReadText(path), "[SYSTEM]\r\nMainTrade=2\r\n");
    EXPECT_FALSE(std::filesystem::exists(path.string() + ".setup-tmp"));
}

TEST(IniFileOnDisk, SaveReplacesTheFileAndKeepsItsPermissions) {
    TempDir dir;
    const auto path = dir / "a.ini";
    test::WriteText(path, "[S]\nk=1\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    CIniFile ini;
    ASSERT_EQ(ini.Load(path.string()), IniStatus::kOk);
    ASSERT_EQ(ini.SetString("S", "k", "2"), IniStatus::kOk);
    ASSERT_EQ(ini.Save(path.string()), IniStatus::kOk);
    EXPECT_EQ(ReadText(path), "[S]\nk=2\n");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(IniFileOnDisk, FailedSaveLeavesTheOldContentAndNoTemporaryFile) {
    TempDir dir;
    CIniFile ini;
    ASSERT_EQ(ini.SetString("S", "k", "1"), IniStatus::kOk);
    EXPECT_EQ(ini.Save((dir / "missing-folder" / "a.ini").string()), IniStatus::kWriteFailed);
    // A folder where the file should be cannot be replaced by a file.
    const auto folder = dir / "Voz.ini";
    std::filesystem::create_directory(folder);
    test::WriteText(folder / "inside.txt", "kept");
    EXPECT_EQ(ini.Save(folder.string()), IniStatus::kWriteFailed);
    EXPECT_EQ(ReadText(folder / "inside.txt"), "kept");
    EXPECT_FALSE(std::filesystem::exists(folder.string() + ".setup-tmp"));
}

TEST(IniFileOnDisk, FilesThatAreNotEditedReportWhy) {
    TempDir dir;
    CIniFile ini;
    const auto utf16 = dir / "utf16.ini";
    test::WriteText(utf16, std::string("\xFF\xFE[\0S\0]\0", 8));
    EXPECT_EQ(ini.Load(utf16.string()), IniStatus::kUnsupportedEncoding);
    EXPECT_TRUE(ini.Bytes().empty());
    const auto big = dir / "big.ini";
    { std::ofstream(big) << "[S]"; }
    std::filesystem::resize_file(big, CIniFile::kMaxFileSize + 1);
    EXPECT_EQ(ini.Load(big.string()), IniStatus::kTooLarge);
    EXPECT_NE(ini.Load(dir.path().string()), IniStatus::kOk);  // a folder is no INI file
    EXPECT_EQ(ini.Parse(std::string("\xFE\xFF\0[", 4)), IniStatus::kUnsupportedEncoding);
}

}  // namespace
}  // namespace voz
