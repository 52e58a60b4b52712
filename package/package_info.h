// The in-memory record of a package: header, texts, images and tables, read
// at start-up. File contents and the uninstaller are not loaded; only their
// positions in the setup file are recorded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

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
    int32_t nFileCount;
    PackageFile files[kMaxFilesPerDir];
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

// How far a load got. A package that ends early is truncated; one that breaks
// a reader limit or fails to decode is damaged. Either way reading stopped at
// `where`, and everything read before it is kept.
struct PackageStatus {
    enum class State { kSound, kTruncated, kDamaged };
    State state = State::kSound;
    std::string where;   // the item being read, e.g. "directory 3, file 7: name"
    std::string reason;
    uint64_t offset = 0;  // position in the setup file where the item starts

    bool sound() const { return state == State::kSound; }
};

class CPackageInfo {
public:
    // The directory table is about 96 MB and is left uninitialised: only the
    // entries below the counts are ever read, and the loader fills each entry
    // before it counts it. So an unused table costs no memory.
    CPackageInfo();
    CPackageInfo(const CPackageInfo&) = delete;
    CPackageInfo& operator=(const CPackageInfo&) = delete;

    // Empties the record, as after construction, touching only the entries in use.
    void Clear();

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

    int32_t m_nDirCount = 0;
    PackageDir m_dirs[kMaxDirs];

    char m_szGroup[kNameField] = {};
    int32_t m_nShortcutCount = 0;
    PackageShortcut m_shortcuts[kMaxShortcuts] = {};

    int32_t m_nCopyCount = 0;
    PackageCopy m_copies[kMaxCopies] = {};
    char m_szStyle[kShortField] = {};

    int32_t m_nRemoveCount = 0;
    char m_szRemove[kMaxRemoves][kPathField] = {};

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
