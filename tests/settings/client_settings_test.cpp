#include "settings/client_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <sstream>

#include "test_support.h"

namespace voz {
namespace {

using test::ReadText;
using test::TempDir;

// What saving the defaults writes into a new file: all 73 keys in their five
// sections, each section in the order of its first key, keys in table order.
// ScrollQuot is "Yes" because the default ScrollPeriod (5) is not zero.
constexpr char kDefaultFile[] =
    "[GENERALTRADE]\r\nZqTraderIsUse=0\r\nORDERBOARDTYPE=0\r\n"
    "[SYSTEM]\r\nUDColorMode=0\r\nDeltaNewShowRG=0\r\nSQou1NewCome=1\r\nAUTOUPDATAOPINT=1\r\nQuoteFieldAutoSave=1\r\n"
    "QuoteAutoSave=1\r\nSQuost1ShowLevel2=0\r\nShfmeSQuost1ShowLevel2=0\r\nCzceSQuost1ShowLevel2=0\r\n"
    "ZgjrSQuost1ShowLevel2=0\r\nGYMulArchivePrice=0\r\nSQuost1ShowDetail=1\r\nHasFrame=0\r\n"
    "SpecialStyle=0\r\nFILTRBIDASKPRICE=0\r\nScrollPeriod=5\r\nScrollLinesPerTime=1\r\nScrollQuot=Yes\r\n"
    "ShowPrice=1\r\nQlrtTaQlrt=1\r\nStockEx=1\r\nQuotAllWndSelect=1\r\nSHOWTATABBTN=1\r\nSavePageByScale=0\r\n"
    "SEPERATORLINE=1\r\nUSEQUESTIONMARK=0\r\nUSEPAGETASET=1\r\nALSOSHOWINNERTRADEDETAIL=1\r\n"
    "CustomPeriod=0\r\nAutoSaveLine=1\r\nQueryPrice=1\r\nAlsoShowNewPrice=1\r\nHLDisplayRate=15\r\n"
    "SMALLQUOTDVOL=1\r\nAutoSpecialTa=1\r\nSpecialQLRT=1\r\nSpecialTick=1\r\nFUROVERLAPSTOCK=1\r\n"
    "FUROVERLAPSTOCKRANK=1\r\nm_nRirurAzToolBar=1\r\nIndexBar=1\r\nTabBar=1\r\nTabBarDock=1\r\nToolBar=1\r\n"
    "ToolbarDockR=0\r\n"
    "[TA]\r\nTADBLCLICKMENU=1\r\nToday=0\r\nWHELLCHANGECON=1\r\nKLINENOLRMARGIN=0\r\nCOORINATERIGHT=0\r\n"
    "StockLinkage=0\r\nSHOWZBTAB=0\r\nFatKLine=1\r\nSolidKLine=0\r\nZBIN1LINE=1\r\nKLineNews=1\r\nCompressTick=1\r\n"
    "FOURKLINE=0\r\nSTOPLOST_LINE=1\r\nKeepKLineSpan=1\r\nAutoSaveStd=1\r\nCoordKLine=0\r\nNetLine=1\r\n"
    "VerNetLine=1\r\nNetLineSpan=0\r\nShowKLinePixel=8\r\nShowKLineType=0\r\n"
    "[TAGROUP]\r\nHighLow=1\r\n"
    "[QLRT]\r\nBasePrice=0\r\nUseMa=0\r\nSHOWVOL=1\r\n";

CIniFile Ini(const std::string& text) {
    CIniFile ini;
    EXPECT_EQ(ini.Parse(text), IniStatus::kOk);
    return ini;
}

// The file's lines in order, without their line breaks.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(ClientSettings, MissingFileGivesDefaultsAndSaveCreatesAllKeys) {
    TempDir dir;
    const auto path = dir / "Voz.ini";
    CClientSettings settings;
    ASSERT_EQ(settings.Load(path.string()), IniStatus::kOk);
    EXPECT_EQ(settings.ScrollQuot, 0);  // the default text "No" is not "Yes"
    // The defaults as loaded are what the new file holds.
    ASSERT_EQ(settings.Save(path.string()), IniStatus::kOk);
    EXPECT_EQ(ReadText(path), kDefaultFile);
    EXPECT_EQ(settings.ScrollQuot, 1);

    // Reading the new file back gives the same record.
    CClientSettings reread;
    ASSERT_EQ(reread.Load(path.string()), IniStatus::kOk);
    EXPECT_EQ(std::memcmp(&reread, &settings, sizeof settings), 0);
}

TEST(ClientSettings, FlagsAndChoicesStoredAsTwo) {
    CIniFile ini =
        Ini("[GENERALTRADE]\r\nZqTraderIsUse=2\r\nORDERBOARDTYPE=2\r\n"
            "[SYSTEM]\r\nDeltaNewShowRG=2\r\nUDColorMode=-3\r\nSMALLQUOTDVOL=2\r\n");
    CClientSettings settings;
    settings.ReadFrom(ini);
    EXPECT_EQ(settings.ZqTraderIsUse, 1);
    EXPECT_EQ(settings.UDColorMode, 1);
    EXPECT_EQ(settings.ORDERBOARDTYPE, 2);
    EXPECT_EQ(settings.DeltaNewShowRG, 2);
    EXPECT_EQ(settings.SMALLQUOTDVOL, 2);
    settings.WriteTo(ini);
    EXPECT_EQ(ini.GetString("GENERALTRADE", "ZqTraderIsUse", "", 20), "1");
    EXPECT_EQ(ini.GetString("SYSTEM", "UDColorMode", "", 20), "1");
    EXPECT_EQ(ini.GetString("GENERALTRADE", "ORDERBOARDTYPE", "", 20), "1");
    EXPECT_EQ(ini.GetString("SYSTEM", "DeltaNewShowRG", "", 20), "1");
    EXPECT_EQ(ini.GetString("SYSTEM", "SMALLQUOTDVOL", "", 20), "2");  // a number is kept
}

TEST(ClientSettings, NumbersAreWrittenUnsigned) {
    CClientSettings settings;
    settings.ReadFrom(CIniFile());
    settings.ScrollPeriod = -1;
    settings.HLDisplayRate = -15;
    CIniFile ini;
    settings.WriteTo(ini);
    EXPECT_EQ(ini.GetString("SYSTEM", "ScrollPeriod", "", 20), "4294967295");
    EXPECT_EQ(ini.GetString("SYSTEM", "HLDisplayRate", "", 20), "4294967281");
    CClientSettings reread;
    reread.ReadFrom(ini);
    EXPECT_EQ(reread.ScrollPeriod, -1);
    EXPECT_EQ(reread.HLDisplayRate, -15);
}

TEST(ClientSettings, ScrollQuotIsReadAsExactYesAndWrittenFromScrollPeriod) {
    struct Case {
        const char* text;
        int32_t loaded;
    };
    const Case cases[] = {{"Yes", 1}, {"yes", 0}, {"YES", 0}, {"\"Yes\"", 1}, {"Yess", 0}, {"", 0}, {"1", 0}};
    for (const Case& c : cases) {
        CClientSettings settings;
        settings.ReadFrom(Ini(std::string("[SYSTEM]\r\nScrollQuot=") + c.text + "\r\n"));
        EXPECT_EQ(settings.ScrollQuot, c.loaded) << c.text;
    }

    CIniFile ini = Ini("[SYSTEM]\r\nScrollQuot=Yes\r\nScrollPeriod=0\r\n");
    CClientSettings settings;
    settings.ReadFrom(ini);
    EXPECT_EQ(settings.ScrollQuot, 1);
    settings.WriteTo(ini);
    EXPECT_EQ(settings.ScrollQuot, 0);
    EXPECT_EQ(ini.GetString("SYSTEM", "ScrollQuot", "", 20), "No");

    CIniFile lower = Ini("[SYSTEM]\r\nScrollQuot=yes\r\nScrollPeriod=3\r\n");
    settings.ReadFrom(lower);
    EXPECT_EQ(settings.ScrollQuot, 0);
    settings.WriteTo(lower);
    EXPECT_EQ(settings.ScrollQuot, 1);
    EXPECT_EQ(lower.GetString("SYSTEM", "ScrollQuot", "", 20), "Yes");
}

TEST(ClientSettings, HiddenScaleKeepsTheFilesRightSideKey) {
    CClientSettings settings;
    settings.ReadFrom(Ini("[TA]\r\nKLINENOLRMARGIN=5\r\nCOORINATERIGHT=7\r\n"));
    EXPECT_EQ(settings.KLINENOLRMARGIN, 1);
    EXPECT_EQ(settings.COORINATERIGHT, 1);

    // Hidden: COORINATERIGHT stays as the file had it, whatever the record says.
    settings.COORINATERIGHT = 0;
    CIniFile hidden = Ini("[TA]\r\nCOORINATERIGHT=1\r\n");
    settings.WriteTo(hidden);
    EXPECT_EQ(hidden.GetString("TA", "KLINENOLRMARGIN", "", 20), "1");
    EXPECT_EQ(hidden.GetString("TA", "COORINATERIGHT", "", 20), "1");
    CIniFile absent;
    settings.WriteTo(absent);
    EXPECT_EQ(absent.GetString("TA", "COORINATERIGHT", "absent", 20), "absent");

    // Shown: both are written, the side as a flag.
    settings.KLINENOLRMARGIN = 0;
    settings.COORINATERIGHT = 9;
    settings.WriteTo(hidden);
    EXPECT_EQ(hidden.GetString("TA", "KLINENOLRMARGIN", "", 20), "0");
    EXPECT_EQ(hidden.GetString("TA", "COORINATERIGHT", "", 20), "1");
}

TEST(ClientSettings, MissingNumbersTakeTheirDefaults) {
    TempDir dir;
    const auto path = dir / "Voz.ini";
    test::WriteText(path, "[SYSTEM]\r\nScrollPeriod=0\r\n[TA]\r\nShowKLineType=1\r\n");
    CClientSettings settings;
    ASSERT_EQ(settings.Load(path.string()), IniStatus::kOk);
    EXPECT_EQ(settings.HLDisplayRate, 15);
    EXPECT_EQ(settings.ShowKLinePixel, 8);
    EXPECT_EQ(settings.ShowKLineType, 1);
    ASSERT_EQ(settings.Save(path.string()), IniStatus::kOk);
    CIniFile saved;
    ASSERT_EQ(saved.Load(path.string()), IniStatus::kOk);
    EXPECT_EQ(saved.GetString("SYSTEM", "HLDisplayRate", "", 20), "15");
    EXPECT_EQ(saved.GetString("TA", "ShowKLinePixel", "", 20), "8");
}

TEST(ClientSettings, SaveKeepsUnknownKeysCommentsAndLayout) {
    TempDir dir;
    const auto path = dir / "Voz.ini";
    const std::string original =
        "; written by the client\n"
        "[system]\n"
        "scrollperiod = 0\n"
        "WindowLeft=120\n"
        "\n"
        "; trading\n"
        "[GENERALTRADE]\n"
        "Account=" +
        test::Gbk("期货账户") +
        "\n"
        "zqtraderisuse=1\n"
        "[Unknown]\n"
        "ToolBar=0\n";
    test::WriteText(path, original);
    CClientSettings settings;
    ASSERT_EQ(settings.Load(path.string()), IniStatus::kOk);
    EXPECT_EQ(settings.ScrollPeriod, 0);
    EXPECT_EQ(settings.ZqTraderIsUse, 1);
    EXPECT_EQ(settings.ToolBar, 1);  // [Unknown] is not SYSTEM
    ASSERT_EQ(settings.Save(path.string()), IniStatus::kOk);

    const std::string saved = ReadText(path);
    std::vector<std::string> lines = Lines(saved);
    // Every original line is still there, in its order, byte for byte; the
    // record's keys were replaced in place under their own spelling.
    std::vector<std::string> expected = Lines(original);
    size_t at = 0;
    for (const std::string& line : lines) {
        if (at < expected.size() && line == expected[at]) {
            ++at;
        }
    }
    EXPECT_EQ(at, expected.size()) << saved;
    EXPECT_EQ(saved.find("\r"), std::string::npos);  // LF file, LF lines
    EXPECT_EQ(saved.find("ScrollPeriod"), std::string::npos);
    EXPECT_EQ(saved.find("ZqTraderIsUse"), std::string::npos);
    // 71 keys added, 3 of them with a new section header (TA, TAGROUP, QLRT).
    EXPECT_EQ(lines.size(), expected.size() + 71 + 3);
    EXPECT_EQ(Ini(saved).GetString("Unknown", "ToolBar", "", 20), "0");
}

TEST(ClientSettings, SaveWithoutChangesLeavesTheFileAlone) {
    TempDir dir;
    const auto path = dir / "Voz.ini";
    test::WriteText(path, kDefaultFile);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    CClientSettings settings;
    ASSERT_EQ(settings.Load(path.string()), IniStatus::kOk);
    ASSERT_EQ(settings.Save(path.string()), IniStatus::kOk);
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // not replaced
}

TEST(ClientSettings, UnreadableFileIsNeitherUsedNorOverwritten) {
    TempDir dir;
    const auto path = dir / "Voz.ini";
    const std::string utf16("\xFF\xFE[\0S\0Y\0S\0]\0", 12);
    test::WriteText(path, utf16);
    CClientSettings settings;
    EXPECT_EQ(settings.Load(path.string()), IniStatus::kUnsupportedEncoding);
    EXPECT_EQ(settings.HLDisplayRate, 15);
    settings.ScrollPeriod = 0;
    EXPECT_EQ(settings.Save(path.string()), IniStatus::kUnsupportedEncoding);
    EXPECT_EQ(settings.ScrollQuot, 0);
    EXPECT_EQ(ReadText(path), utf16);
}

}  // namespace
}  // namespace voz
