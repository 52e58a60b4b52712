#include "settings/settings_commit.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace voz {
namespace {

using test::Gbk;
using test::ReadText;
using test::TempDir;

TEST(SettingsPaths, FolderTextAndFileNameAreConcatenated) {
    EXPECT_EQ(SettingsFilePath("D:\\Trade", kSettingsFileName), "D:\\Trade\\Voz.ini");
    EXPECT_EQ(SettingsFilePath("D:\\Trade", kSecondSettingsFileName), "D:\\Trade\\2nd_voz.ini");
    EXPECT_EQ(SettingsFilePath("D:\\Trade\\", kSettingsFileName), "D:\\Trade\\\\Voz.ini");
}

TEST(MainTrade, FollowsTheSelectedListPosition) {
    for (int position : {0, 1, 2, 3}) {
        EXPECT_EQ(MainTradeText(position), std::to_string(position));
    }
    EXPECT_EQ(MainTradeText(-1), "0");  // no selection
    EXPECT_EQ(MainTradeText(kOrderSoftwareCount), "0");
}

TEST(MainTrade, IsWrittenIntoTheSecondFileOnly) {
    TempDir dir;
    const std::string folder = dir.path().string();
    ASSERT_EQ(WriteMainTrade(folder, 1), IniStatus::kOk);
    EXPECT_EQ(ReadText(dir / "2nd_voz.ini"), "[SYSTEM]\r\nMainTrade=1\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "Voz.ini"));

    test::WriteText(dir / "2nd_voz.ini", "[Login]\nServer=a\n[system]\nOther=5\n");
    ASSERT_EQ(WriteMainTrade(folder, -1), IniStatus::kOk);
    EXPECT_EQ(ReadText(dir / "2nd_voz.ini"), "[Login]\nServer=a\n[system]\nOther=5\nMainTrade=0\n");
    ASSERT_EQ(WriteMainTrade(folder, 3), IniStatus::kOk);
    EXPECT_EQ(ReadText(dir / "2nd_voz.ini"), "[Login]\nServer=a\n[system]\nOther=5\nMainTrade=3\n");
}

TEST(SettingsCommit, LoadsAndSavesVozIniInAChineseInstallFolder) {
    TempDir dir;
    const auto folder = dir / "期货客户端";
    std::filesystem::create_directory(folder);
    test::WriteText(folder / "Voz.ini", "[SYSTEM]\r\nScrollQuot=Yes\r\nScrollPeriod=0\r\nIndexBar=0\r\n");
    const std::string folderGbk = Gbk(folder.string());

    CClientSettings settings;
    ASSERT_EQ(LoadClientSettings(settings, folderGbk), IniStatus::kOk);
    EXPECT_EQ(settings.ScrollQuot, 1);
    EXPECT_EQ(settings.IndexBar, 0);
    EXPECT_EQ(settings.HLDisplayRate, 15);
    settings.ToolBar = 0;
    ASSERT_EQ(SaveClientSettings(settings, folderGbk), IniStatus::kOk);

    CIniFile saved;
    ASSERT_EQ(saved.Parse(ReadText(folder / "Voz.ini")), IniStatus::kOk);
    EXPECT_EQ(saved.GetString("SYSTEM", "ScrollQuot", "", 20), "No");
    EXPECT_EQ(saved.GetString("SYSTEM", "IndexBar", "", 20), "0");
    EXPECT_EQ(saved.GetString("SYSTEM", "ToolBar", "", 20), "0");
    EXPECT_EQ(saved.GetString("SYSTEM", "HLDisplayRate", "", 20), "15");
}

TEST(SettingsCommit, InvalidFolderTextIsReported) {
    const std::string folder = "/tmp/\xFF";  // 0xFF begins no GBK character
    CClientSettings settings;
    EXPECT_EQ(LoadClientSettings(settings, folder), IniStatus::kBadPath);
    EXPECT_EQ(settings.SQou1NewCome, 1);  // defaults all the same
    EXPECT_EQ(SaveClientSettings(settings, folder), IniStatus::kBadPath);
    EXPECT_EQ(WriteMainTrade(folder, 0), IniStatus::kBadPath);
}

}  // namespace
}  // namespace voz
