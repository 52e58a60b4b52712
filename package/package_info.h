// The in-memory record of a package: header, texts, images and tables, read
// at start-up. File contents and the uninstaller are not loaded; only their
// positions in the setup file are recorded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "package/package_format.h"

namespace voz {

struct PackageFile {
    char szName[kNameField];
    int32_t nDataPos;   // absolute position of the file's first block in the setup file
    int32_t nDataSize;  // stored length of its blocks
    PackageTime stCreation;
    PackageTime stLastAccess;
    PackageTime stLastWrite;
};

struct PackageDir {
    char szName[kNameField];  // relative to the install folder; empty for the folder itself
    std::vector<PackageFile> files;
};

struct PackageShortcut {
    char szLinkName[kPathField];
    char szTarget[kPathField];  // empty: the uninstaller
    char szIcon[kPathField];    // empty: the target itself
    int32_t nPlace;             // kPlaceDesktop, kPlaceGroup, anything else: no link
};

struct PackageCopy {
    char szSource[kPathField];
    char szDest[kPathField];
    char szStyle[kShortField];
};

// A folder the installation deletes, with everything in it, once the files
// are written and the style copies made.
struct PackageRemove {
    char szPath[kPathField];
};

// How far a load got. A package that ends early is truncated; one that breaks
// a reader limit or fails to decode is damaged. Either way reading stopped at
// `where`, and everything read before it is kept.
struct PackageStatus {
    enum class State { kSound, kTruncated, kDamaged };
    State state = State::kSound;
    std::string where;  // the item being read, e.g. "directory 3, file 7: name"
    std::string reason;
    uint64_t offset = 0;  // position in the setup file where the item starts

    bool sound() const { return state == State::kSound; }
};

// The tables hold exactly the entries read: a load that stops inside a table
// keeps the entry it was reading, filled as far as it got.
class CPackageInfo {
public:
    char m_szTitle[kNameField] = {};
    char m_szVersion[kNameField] = {};
    char m_szCompany[kNameField] = {};
    char m_szInstallDir[kPathField] = {};
    char m_szMainExe[kNameField] = {};
    char m_szSourceDir[kPathField] = {};
    int32_t m_nDefaultOrderSoftware = 0;

    std::string m_strMainText;
    std::string m_strWelcomeText;
    std::string m_strFolderText;
    std::string m_strStyleText;
    std::string m_strOrderText;
    std::string m_strExtractText;

    // Each image is the complete bytes of a BMP file.
    std::unique_ptr<uint8_t[]> m_pMainImage;
    std::unique_ptr<uint8_t[]> m_pWelcomeImage;
    std::unique_ptr<uint8_t[]> m_pFolderImage;
    std::unique_ptr<uint8_t[]> m_pStyleImage;
    std::unique_ptr<uint8_t[]> m_pOrderImage;
    std::unique_ptr<uint8_t[]> m_pExtractImage;
    int32_t m_nMainImageSize = 0;
    int32_t m_nWelcomeImageSize = 0;
    int32_t m_nFolderImageSize = 0;
    int32_t m_nStyleImageSize = 0;
    int32_t m_nOrderImageSize = 0;
    int32_t m_nExtractImageSize = 0;

    std::vector<PackageDir> m_dirs;

    char m_szGroup[kNameField] = {};
    std::vector<PackageShortcut> m_shortcuts;

    std::vector<PackageCopy> m_copies;

    std::vector<PackageRemove> m_removes;

    char m_szUninstaller[kNameField] = {};
    int32_t m_nUninstallerPos = 0;
    int32_t m_nUninstallerSize = 0;

    PackageStatus m_status;

    // The six texts and images in package order (ScreenIndex).
    std::string& Text(int screen) { return this->*kTexts[screen]; }
    const std::string& Text(int screen) const { return this->*kTexts[screen]; }
    std::unique_ptr<uint8_t[]>& Image(int screen) { return this->*kImages[screen]; }
    const uint8_t* Image(int screen) const { return (this->*kImages[screen]).get(); }
    int32_t& ImageSize(int screen) { return this->*kImageSizes[screen]; }
    int32_t ImageSize(int screen) const { return this->*kImageSizes[screen]; }

private:
    static constexpr std::string CPackageInfo::*kTexts[kScreenCount] = {
        &CPackageInfo::m_strMainText,  &CPackageInfo::m_strWelcomeText, &CPackageInfo::m_strFolderText,
        &CPackageInfo::m_strStyleText, &CPackageInfo::m_strOrderText,   &CPackageInfo::m_strExtractText};
    using ImageBytes = std::unique_ptr<uint8_t[]>;
    static constexpr ImageBytes CPackageInfo::*kImages[kScreenCount] = {
        &CPackageInfo::m_pMainImage,  &CPackageInfo::m_pWelcomeImage, &CPackageInfo::m_pFolderImage,
        &CPackageInfo::m_pStyleImage, &CPackageInfo::m_pOrderImage,   &CPackageInfo::m_pExtractImage};
    static constexpr int32_t CPackageInfo::*kImageSizes[kScreenCount] = {
        &CPackageInfo::m_nMainImageSize,  &CPackageInfo::m_nWelcomeImageSize, &CPackageInfo::m_nFolderImageSize,
        &CPackageInfo::m_nStyleImageSize, &CPackageInfo::m_nOrderImageSize,   &CPackageInfo::m_nExtractImageSize};
};

}  // namespace voz
