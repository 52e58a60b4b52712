// What the wizard derives from the package and the installation: the install
// styles it offers, the message about failures, and where an image's pixels lie.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "package/package_format.h"
#include "package/package_info.h"
#include "wizard/install_messages.h"
#include "package/install_styles.h"
#include "package/package_image.h"
#include "test_support.h"

namespace voz {
namespace {

// Each label once, in the order of its first copy, compared byte for byte,
// and no more than the style page holds.
TEST(InstallStyles, ListsEachLabelOnceInOrderOfFirstAppearance) {
    std::vector<std::string> many;
    for (int i = 0; i < kMaxStyles + 5; ++i) {
        many.push_back(std::to_string(i));
    }
    struct Case {
        std::vector<std::string> copies, offered;
    };
    const Case cases[] = {
        {{"X", "Y", "X", "Z"}, {"X", "Y", "Z"}},
        {{"Lite", "lite", "", "Lite"}, {"Lite", "lite", ""}},
        {{}, {}},
        {many, std::vector<std::string>(many.begin(), many.begin() + kMaxStyles)},
    };
    for (const Case& c : cases) {
        CPackageInfo package;
        for (const std::string& style : c.copies) {
            std::strcpy(package.m_copies.emplace_back().szStyle, style.c_str());
        }
        EXPECT_EQ(InstallStyles(package), c.offered) << c.copies.size() << " copies";
    }
}

std::vector<ExtractFailure> Failures(int count) {
    std::vector<ExtractFailure> failures;
    for (int i = 0; i < count; ++i) {
        failures.push_back(
            {"dir\\file" + std::to_string(i) + ".dat", FailureKind::kFileNotCreated, "denied", FailureItem::kFile});
    }
    return failures;
}

TEST(FailureSummary, NamesHowManyFailedAndTheFirstFew) {
    EXPECT_EQ(FailureSummary({}, true), "");
    const std::string two = FailureSummary(Failures(2), true);
    EXPECT_NE(two.find(" 2 "), std::string::npos) << two;
    EXPECT_NE(two.find("dir\\file0.dat"), std::string::npos);
    EXPECT_NE(two.find("dir\\file1.dat"), std::string::npos);
    EXPECT_NE(two.find(FailureKindText(FailureKind::kFileNotCreated)), std::string::npos);
}

TEST(FailureSummary, CountsTheFailuresItDoesNotName) {
    const std::string seven = FailureSummary(Failures(7), true);
    EXPECT_NE(seven.find(" 7 "), std::string::npos) << seven;
    EXPECT_NE(seven.find("dir\\file4.dat"), std::string::npos);
    EXPECT_EQ(seven.find("dir\\file5.dat"), std::string::npos);
    EXPECT_NE(seven.find("\xC1\xED\xD3\xD0 2 "), std::string::npos);  // 另有 2
}

TEST(FailureSummary, EveryKindHasAText) {
    for (int kind = 0; kind <= static_cast<int>(FailureKind::kAppListNotWritten); ++kind) {
        EXPECT_GT(std::strlen(FailureKindText(static_cast<FailureKind>(kind))), 0u) << kind;
    }
}

TEST(FailureSummary, NamesEachItemInWordsAlsoWithoutAName) {
    struct Case {
        ExtractFailure failure;
        std::string line;
    };
    const Case cases[] = {
        {{"", FailureKind::kUnsafeName, "", FailureItem::kProgramGroup, NameCheck::kEmpty}, "\xB3\xCC\xD0\xF2\xD7\xE9\xC3\xFB\xB3\xC6\xCE\xAA\xBF\xD5"},  // 程序组名称为空
        {{"..\\x.lnk", FailureKind::kUnsafeName, "", FailureItem::kShortcut, NameCheck::kLeavesFolder},
         "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD ..\\x.lnk\xA3\xA8\xC3\xFB\xB3\xC6\xD6\xB8\xCF\xF2\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xD6\xAE\xCD\xE2\xA3\xA9"},  // 快捷方式（名称指向安装目录之外）
        {{"", FailureKind::kSpecialFolderUnknown, "", FailureItem::kDesktop}, "\xD7\xC0\xC3\xE6\xA3\xA8\xD5\xD2\xB2\xBB\xB5\xBD\xCF\xB5\xCD\xB3\xCE\xC4\xBC\xFE\xBC\xD0\xA3\xA9"},  // 桌面（找不到系统文件夹）
        {{"Q:\\Voz", FailureKind::kNoInstallFolder, "", FailureItem::kInstallFolder},
         "\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC Q:\\Voz\xA3\xA8\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xA3\xA9"},  // 安装目录（无法创建安装目录）
        {{"2nd_voz.ini", FailureKind::kWriteFailed, "", FailureItem::kSettingsFile},
         "\xC9\xE8\xD6\xC3\xCE\xC4\xBC\xFE 2nd_voz.ini\xA3\xA8\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xA9"},  // 设置文件（写入失败）
    };
    for (const Case& c : cases) {
        const std::string text = FailureSummary({c.failure}, true);
        EXPECT_NE(text.find("\r\n\r\n" + c.line), std::string::npos) << text;
        EXPECT_EQ(text.find("\xA3\xA8\xA3\xA9"), std::string::npos) << text;  // （）
    }
}

TEST(FailureSummary, SaysWhenTheInstallationDidNotComplete) {
    const std::vector<ExtractFailure> failures = Failures(1);
    EXPECT_EQ(FailureSummary(failures, true).rfind("\xB0\xB2\xD7\xB0\xD2\xD1\xCD\xEA\xB3\xC9\xA3\xAC\xB5\xAB\xD3\xD0 1 ", 0), 0u);  // 安装已完成，但有
    EXPECT_EQ(FailureSummary(failures, false).rfind("\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD3\xD0 1 ", 0), 0u);  // 安装未完成，有
}

TEST(InstallationCompleted, NotWithoutInstallFolderOrWithNoFileWritten) {
    const std::vector<ExtractFailure> noFolder = {{"Q:\\x", FailureKind::kNoInstallFolder, "", FailureItem::kInstallFolder}};
    EXPECT_FALSE(InstallationCompleted(noFolder, 0, 0));
    EXPECT_FALSE(InstallationCompleted(Failures(3), 3, 0));
    EXPECT_TRUE(InstallationCompleted(Failures(2), 3, 1));
    EXPECT_TRUE(InstallationCompleted({}, 0, 0));  // a package without files
}

using test::Bitmap;

TEST(ParsePackageImage, FindsTheHeaderAndThePixelRows) {
    std::vector<uint8_t> bmp = Bitmap(3, 2, 24);
    std::optional<PackageImageView> view = ParsePackageImage(bmp.data(), bmp.size());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->infoHeader, bmp.data() + 14);
    EXPECT_EQ(view->pixels, bmp.data() + 54);
    EXPECT_EQ(view->width, 3);
    EXPECT_EQ(view->height, 2);
    std::vector<uint8_t> topDown = Bitmap(3, -2, 32);
    ASSERT_TRUE(ParsePackageImage(topDown.data(), topDown.size()));
    EXPECT_EQ(ParsePackageImage(topDown.data(), topDown.size())->height, -2);
}

TEST(ParsePackageImage, RefusesWhatCannotBeDrawnSafely) {
    std::vector<uint8_t> bmp = Bitmap(3, 2, 24);
    // Pixel rows running past the end of the image.
    EXPECT_FALSE(ParsePackageImage(bmp.data(), bmp.size() - 1));
    EXPECT_FALSE(ParsePackageImage(bmp.data(), 20));
    EXPECT_FALSE(ParsePackageImage(nullptr, 0));
    // Colour tables are never passed, so only true colour can be drawn.
    std::vector<uint8_t> paletted = Bitmap(4, 2, 8);
    EXPECT_FALSE(ParsePackageImage(paletted.data(), paletted.size()));
    std::vector<uint8_t> compressed = Bitmap(3, 2, 24, 1);
    EXPECT_FALSE(ParsePackageImage(compressed.data(), compressed.size()));
    // Pixels that start inside the headers.
    std::vector<uint8_t> overlapping = bmp;
    overlapping[10] = 40;
    EXPECT_FALSE(ParsePackageImage(overlapping.data(), overlapping.size()));
    std::vector<uint8_t> notBmp = bmp;
    notBmp[0] = 'X';
    EXPECT_FALSE(ParsePackageImage(notBmp.data(), notBmp.size()));
    std::vector<uint8_t> empty = Bitmap(0, 2, 24);
    EXPECT_FALSE(ParsePackageImage(empty.data(), empty.size()));
}

TEST(ParsePackageImage, RefusesPixelDataBeyondOneMebibyte) {
    // 512 x 683 x 3 bytes is just over 1 MiB; 512 x 682 x 3 just under.
    std::vector<uint8_t> under = Bitmap(512, 682, 24);
    EXPECT_TRUE(ParsePackageImage(under.data(), under.size()));
    std::vector<uint8_t> over = Bitmap(512, 683, 24);
    EXPECT_FALSE(ParsePackageImage(over.data(), over.size()));
    // A header whose sizes overflow 32 bits is refused, not wrapped around.
    std::vector<uint8_t> huge = Bitmap(3, 2, 24);
    const uint32_t width = 0x7FFFFFFF;
    std::memcpy(&huge[18], &width, 4);
    EXPECT_FALSE(ParsePackageImage(huge.data(), huge.size()));
}

}  // namespace
}  // namespace voz
