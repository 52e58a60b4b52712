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

InstallReport Installed(std::vector<ExtractFailure> failures, std::vector<std::string> kept = {}) {
    return {true, true, std::move(failures), std::move(kept)};
}

TEST(InstallSummary, NamesHowManyFailedAndTheFirstFew) {
    EXPECT_EQ(InstallSummary(Installed({})), "");
    const std::string two = InstallSummary(Installed(Failures(2)));
    EXPECT_NE(two.find(" 2 "), std::string::npos) << two;
    EXPECT_NE(two.find("dir\\file0.dat"), std::string::npos);
    EXPECT_NE(two.find("dir\\file1.dat"), std::string::npos);
    EXPECT_NE(two.find(FailureKindText(FailureKind::kFileNotCreated)), std::string::npos);
}

TEST(InstallSummary, CountsTheFailuresItDoesNotName) {
    const std::string seven = InstallSummary(Installed(Failures(7)));
    EXPECT_NE(seven.find(" 7 "), std::string::npos) << seven;
    EXPECT_NE(seven.find("dir\\file4.dat"), std::string::npos);
    EXPECT_EQ(seven.find("dir\\file5.dat"), std::string::npos);
    EXPECT_NE(seven.find("\xC1\xED\xD3\xD0 2 "), std::string::npos);  // 另有 2
}

TEST(InstallSummary, EveryKindHasAText) {
    for (int kind = 0; kind <= static_cast<int>(FailureKind::kAppListNotWritten); ++kind) {
        EXPECT_GT(std::strlen(FailureKindText(static_cast<FailureKind>(kind))), 0u) << kind;
    }
}

// Each item in words, also without a name; the system's own explanation
// follows the kind where the system gave one.
TEST(InstallSummary, NamesEachItemInWordsAlsoWithoutAName) {
    struct Case {
        ExtractFailure failure;
        std::string line;
    };
    const Case cases[] = {
        {{"", FailureKind::kUnsafeName, "", FailureItem::kProgramGroup, NameCheck::kEmpty},
         "\xB3\xCC\xD0\xF2\xD7\xE9\xC3\xFB\xB3\xC6\xCE\xAA\xBF\xD5"},  // 程序组名称为空
        {{"..\\x.lnk", FailureKind::kUnsafeName, "", FailureItem::kShortcut, NameCheck::kLeavesFolder},
         "\xBF\xEC\xBD\xDD\xB7\xBD\xCA\xBD ..\\x.lnk\xA3\xA8\xC3\xFB\xB3\xC6\xD6\xB8\xCF\xF2\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xD6\xAE\xCD\xE2\xA3\xA9"},  // 快捷方式（名称指向安装目录之外）
        {{"", FailureKind::kSpecialFolderUnknown, "", FailureItem::kDesktop},
         "\xD7\xC0\xC3\xE6\xA3\xA8\xD5\xD2\xB2\xBB\xB5\xBD\xCF\xB5\xCD\xB3\xCE\xC4\xBC\xFE\xBC\xD0\xA3\xA9"},  // 桌面（找不到系统文件夹）
        {{"Q:\\Voz", FailureKind::kNoInstallFolder, "", FailureItem::kInstallFolder},
         "\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC Q:\\Voz\xA3\xA8\xCE\xDE\xB7\xA8\xB4\xB4\xBD\xA8\xB0\xB2\xD7\xB0\xC4\xBF\xC2\xBC\xA3\xA9"},  // 安装目录（无法创建安装目录）
        {{"2nd_voz.ini", FailureKind::kWriteFailed, "", FailureItem::kSettingsFile},
         "\xC9\xE8\xD6\xC3\xCE\xC4\xBC\xFE 2nd_voz.ini\xA3\xA8\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xA9"},  // 设置文件（写入失败）
        {{"a.dat", FailureKind::kWriteFailed, "disk full", FailureItem::kFile, NameCheck::kSafe, 28},
         "\xCE\xC4\xBC\xFE a.dat\xA3\xA8\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xBA"
         "disk full\xA3\xA9"},  // 文件 a.dat（写入失败：disk full）
    };
    for (const Case& c : cases) {
        const std::string text = InstallSummary(Installed({c.failure}));
        EXPECT_NE(text.find("\r\n\r\n" + c.line), std::string::npos) << text;
        EXPECT_EQ(text.find("\xA3\xA8\xA3\xA9"), std::string::npos) << text;  // （）
    }
}

// The first words say whether it completed and, when not, what is left.
TEST(InstallSummary, SaysWhetherTheInstallationCompletedAndWhatWasLeft) {
    const struct {
        bool installed, earlier;
        const char* start;
    } cases[] = {
        {true, true, "\xB0\xB2\xD7\xB0\xD2\xD1\xCD\xEA\xB3\xC9\xA3\xAC\xB5\xAB\xD3\xD0 1 "},  // 安装已完成，但有
        {false, true,
         "\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD4\xAD\xD3\xD0\xB5\xC4\xB0\xB2\xD7\xB0\xB1\xA3\xB3\xD6\xB2\xBB\xB1\xE4\xA1\xA3\r\n\xD3\xD0 1 "},  // 安装未完成，原有的安装保持不变。有
        {false, false,
         "\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD2\xD1\xD0\xB4\xC8\xEB\xB5\xC4\xCE\xC4\xBC\xFE\xBE\xF9\xD2\xD1\xC9\xBE\xB3\xFD\xA1\xA3\r\n\xD3\xD0 1 "},  // 安装未完成，已写入的文件均已删除。有
    };
    for (const auto& c : cases) {
        EXPECT_EQ(InstallSummary({c.installed, c.earlier, Failures(1), {}}).rfind(c.start, 0), 0u) << c.start;
    }
}

// Files kept because they were changed are named after the failures, at most
// kFilesNamed of them; without failures the message starts with 安装已完成。
TEST(InstallSummary, NamesTheChangedFilesKept) {
    std::vector<std::string> kept;
    for (size_t i = 0; i <= kFilesNamed; ++i) {
        kept.push_back("k" + std::to_string(i) + ".dat");
    }
    const std::string alone = InstallSummary(Installed({}, {"news.dat"}));
    EXPECT_EQ(alone.rfind("\xB0\xB2\xD7\xB0\xD2\xD1\xCD\xEA\xB3\xC9\xA1\xA3\r\n\r\n", 0), 0u) << alone;
    EXPECT_TRUE(alone.ends_with("\r\n    news.dat")) << alone;
    const std::string many = InstallSummary(Installed(Failures(1), kept));
    EXPECT_NE(many.find("dir\\file0.dat"), std::string::npos);
    EXPECT_NE(many.find("    k9.dat\r\n    \xA1\xAD"), std::string::npos) << many;  // …
    EXPECT_EQ(many.find("k10.dat"), std::string::npos);
}

TEST(FilesInUseMessage, NamesTheFilesAndTheProgramToClose) {
    std::vector<std::string> files = {"VozClient.exe"};
    EXPECT_EQ(
        FilesInUseMessage(files, "Voz"),
        "\xD2\xD4\xCF\xC2\xCE\xC4\xBC\xFE\xD5\xFD\xD4\xDA\xCA\xB9\xD3\xC3\xD6\xD0\xA3\xAC\xCE\xDE\xB7\xA8\xCC\xE6\xBB\xBB\xA3\xBA\r\n"  // 以下文件正在使用中，无法替换：
        "\r\n    VozClient.exe\r\n\r\n\xC7\xEB\xB9\xD8\xB1\xD5Voz"  // 请关闭
        "\xBA\xF3\xB5\xE3\xBB\xF7\xA1\xB0\xD6\xD8\xCA\xD4\xA1\xB1\xA3\xBB\xB5\xE3\xBB\xF7\xA1\xB0\xC8\xA1\xCF\xFB\xA1\xB1\xB7\xB5\xBB\xD8\xA1\xA3");  // 后点击“重试”；点击“取消”返回。
    files.resize(kFilesNamed + 3, "x.dll");
    EXPECT_NE(FilesInUseMessage(files, "Voz").find("    x.dll\r\n    \xA1\xAD\r\n"), std::string::npos);
}

// A need is rounded up and the free space down, so that the two never show alike.
TEST(SpaceMessage, GivesBothFiguresInTheUsersUnits) {
    const struct {
        uint64_t bytes;
        const char* up;
        const char* down;
    } sizes[] = {
        {0, "0 KB", "0 KB"},
        {1, "1 KB", "0 KB"},
        {120 * 1024, "120 KB", "120 KB"},
        {1024 * 1024 - 1, "1.0 MB", "1023 KB"},
        {1024 * 1024, "1.0 MB", "1.0 MB"},
        {1024 * 1024 * 3 / 2 + 1, "1.6 MB", "1.5 MB"},
        {uint64_t{5} << 30, "5.0 GB", "5.0 GB"},
        {uint64_t{1} << 52, "4096.0 GB", "4095.9 GB"},  // beyond what the figures hold: the most they show
    };
    for (const auto& size : sizes) {
        EXPECT_EQ(SizeText(size.bytes), size.up) << size.bytes;
        EXPECT_EQ(SizeText(size.bytes, true), size.down) << size.bytes;
    }
    const std::string text = SpaceMessage({true, 3 * 1024 * 1024, 120 * 1024});
    EXPECT_NE(text.find(" 3.0 MB\xA3\xAC"), std::string::npos) << text;  // ，
    EXPECT_NE(text.find(" 120 KB "), std::string::npos) << text;
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
