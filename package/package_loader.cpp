#include "package/package_loader.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "os/file.h"
#include "package/block_decoder.h"

namespace voz {

namespace {

// Reads the record strictly in package order and stops at the first item that
// is missing, breaks a limit or fails to decode.
class Loader {
    using Buffer = std::unique_ptr<uint8_t[]>;

public:
    Loader(CPackageInfo& package, InputStream& input) : package_(package), input_(input) {}

    void Run(uint64_t packageOffset) {
        if (!input_.Seek(packageOffset)) {
            Fail(PackageStatus::State::kTruncated, "package", "the setup file is shorter than its stub");
            return;
        }
        (void)(ReadHeader() && ReadTexts() && ReadImages() && ReadDirectories() && ReadShortcuts() &&
               ReadCopies() && ReadRemoves() && ReadUninstaller());
    }

private:
    bool Fail(PackageStatus::State state, std::string where, const char* reason) {
        package_.m_status.state = state;
        package_.m_status.where = std::move(where);
        package_.m_status.reason = reason;
        package_.m_status.offset = itemStart_;
        return false;
    }

    bool Truncated(std::string where) {
        return Fail(PackageStatus::State::kTruncated, std::move(where), "the package ends early");
    }

    bool Damaged(std::string where, const char* reason) {
        return Fail(PackageStatus::State::kDamaged, std::move(where), reason);
    }

    // After a failure inside a table, the count covers the records read so far,
    // the one being read included, so the record holds exactly what was read.
    static bool KeepRead(int32_t& count, int index) {
        count = index + 1;
        return false;
    }

    bool ReadU32(uint32_t& value, const std::string& where) {
        return ReadPackageU32(input_, value) || Truncated(where);
    }

    // Counts are signed on disk; zero or less means no entries.
    bool ReadCount(int32_t& count, int capacity, const std::string& where) {
        itemStart_ = input_.Tell();
        uint32_t raw;
        if (!ReadU32(raw, where)) {
            return false;
        }
        auto value = static_cast<int32_t>(raw);
        if (value > capacity) {
            return Damaged(where, "more entries than the setup can hold");
        }
        count = value < 0 ? 0 : value;
        return true;
    }

    bool ReadString(char* field, int fieldSize, const std::string& where) {
        itemStart_ = input_.Tell();
        switch (ReadPackageString(field, fieldSize, input_)) {
        case StringRead::kOk: return true;
        case StringRead::kTruncated: return Truncated(where);
        case StringRead::kTooLong: return Damaged(where, "text longer than its field");
        }
        return false;
    }

    bool ReadTime(PackageTime& time, const std::string& where) {
        uint8_t b[sizeof(PackageTime)];
        if (!input_.ReadExact(b, sizeof b)) {
            return Truncated(where);
        }
        uint16_t* fields = &time.wYear;
        for (size_t i = 0; i < 8; ++i) {
            fields[i] = static_cast<uint16_t>(b[2 * i] | (b[2 * i + 1] << 8));
        }
        return true;
    }

    // Reads a packed item (u32 stored length, block sequence) and decodes it into out.
    bool ReadPackedItem(const Buffer& stored, uint32_t storedCapacity, uint8_t* out, uint32_t capacity,
                        uint32_t& size, const std::string& where) {
        itemStart_ = input_.Tell();
        uint32_t length;
        if (!ReadU32(length, where)) {
            return false;
        }
        if (length > storedCapacity) {
            return Damaged(where, "stored item larger than its buffer");
        }
        if (!input_.ReadExact(stored.get(), length)) {
            return Truncated(where);
        }
        DecodeResult result = decoder_.DecodeSequence(out, capacity, stored.get(), length);
        if (!result.ok()) {
            return Damaged(where, DescribeDecodeError(result.error));
        }
        size = static_cast<uint32_t>(result.produced);
        return true;
    }

    bool ReadHeader() {
        return ReadString(package_.m_szTitle, kNameField, "header: title") &&
               ReadString(package_.m_szVersion, kNameField, "header: version") &&
               ReadString(package_.m_szCompany, kNameField, "header: company") &&
               ReadString(package_.m_szInstallDir, kPathField, "header: install folder") &&
               ReadString(package_.m_szMainExe, kNameField, "header: main program") &&
               ReadString(package_.m_szSourceDir, kPathField, "header: source folder") &&
               ReadSigned(package_.m_nDefaultOrderSoftware, "header: default order software");
    }

    bool ReadSigned(int32_t& value, const std::string& where) {
        itemStart_ = input_.Tell();
        uint32_t raw;
        if (!ReadU32(raw, where)) {
            return false;
        }
        value = static_cast<int32_t>(raw);
        return true;
    }

    bool ReadTexts() {
        // The decoded text needs one byte more than its length for the terminating zero.
        // Only the decoded bytes are ever looked at, so the buffers need no clearing.
        Buffer stored = std::make_unique_for_overwrite<uint8_t[]>(kTextCapacity);
        Buffer decoded = std::make_unique_for_overwrite<uint8_t[]>(kTextCapacity);
        for (int i = 0; i < kScreenCount; ++i) {
            std::string where = std::string("text ") + std::to_string(i + 1) + " (" + kScreenKeys[i] + ")";
            uint32_t size = 0;
            if (!ReadPackedItem(stored, kTextCapacity, decoded.get(), kTextCapacity - 1, size, where)) {
                return false;
            }
            // Like a C string, the text ends at its first zero byte.
            const char* text = reinterpret_cast<const char*>(decoded.get());
            package_.Text(i).assign(text, strnlen(text, size));
        }
        return true;
    }

    bool ReadImages() {
        Buffer stored = std::make_unique_for_overwrite<uint8_t[]>(kImageCapacity);
        Buffer decoded = std::make_unique_for_overwrite<uint8_t[]>(kImageCapacity);
        for (int i = 0; i < kScreenCount; ++i) {
            std::string where = std::string("image ") + std::to_string(i + 1) + " (" + kScreenKeys[i] + ")";
            uint32_t size = 0;
            if (!ReadPackedItem(stored, kImageCapacity, decoded.get(), kImageCapacity, size, where)) {
                return false;
            }
            package_.Image(i) = std::make_unique_for_overwrite<uint8_t[]>(size);
            std::memcpy(package_.Image(i).get(), decoded.get(), size);
            package_.ImageSize(i) = static_cast<int32_t>(size);
        }
        return true;
    }

    // Records where a file's or the uninstaller's blocks start and skips them.
    bool SkipData(int32_t& position, int32_t& size, const std::string& where) {
        uint32_t length;
        if (!ReadU32(length, where)) {
            return false;
        }
        uint64_t start = input_.Tell();
        if (start + length > INT32_MAX) {
            return Damaged(where, "data lies beyond 2 GiB");
        }
        position = static_cast<int32_t>(start);
        size = static_cast<int32_t>(length);
        if (start + length > input_.Size()) {
            return Truncated(where);
        }
        return input_.Seek(start + length) || Truncated(where);
    }

    bool ReadDirectories() {
        if (!ReadCount(package_.m_nDirCount, kMaxDirs, "directory table: count")) {
            return false;
        }
        for (int d = 0; d < package_.m_nDirCount; ++d) {
            PackageDir& dir = package_.m_dirs[d];
            dir.szName[0] = '\0';
            dir.nFileCount = 0;
            std::string where = "directory " + std::to_string(d + 1);
            if (!ReadString(dir.szName, kNameField, where + ": name") ||
                !ReadCount(dir.nFileCount, kMaxFilesPerDir, where + ": file count")) {
                return KeepRead(package_.m_nDirCount, d);
            }
            for (int f = 0; f < dir.nFileCount; ++f) {
                PackageFile& file = dir.files[f];
                std::memset(&file, 0, sizeof file);
                std::string fileWhere = where + ", file " + std::to_string(f + 1);
                if (!ReadString(file.szName, kNameField, fileWhere + ": name") ||
                    !ReadTime(file.stCreation, fileWhere + ": times") ||
                    !ReadTime(file.stLastAccess, fileWhere + ": times") ||
                    !ReadTime(file.stLastWrite, fileWhere + ": times") ||
                    !SkipData(file.nDataPos, file.nDataSize, fileWhere + ": data")) {
                    KeepRead(dir.nFileCount, f);
                    return KeepRead(package_.m_nDirCount, d);
                }
            }
        }
        return true;
    }

    bool ReadShortcuts() {
        if (!ReadString(package_.m_szGroup, kNameField, "shortcut table: group") ||
            !ReadCount(package_.m_nShortcutCount, kMaxShortcuts, "shortcut table: count")) {
            return false;
        }
        for (int i = 0; i < package_.m_nShortcutCount; ++i) {
            PackageShortcut& s = package_.m_shortcuts[i];
            std::string where = "shortcut " + std::to_string(i + 1);
            if (!ReadString(s.szLinkName, kPathField, where + ": link name") ||
                !ReadString(s.szTarget, kPathField, where + ": target") ||
                !ReadString(s.szIcon, kPathField, where + ": icon") || !ReadSigned(s.nPlace, where + ": place")) {
                return KeepRead(package_.m_nShortcutCount, i);
            }
        }
        return true;
    }

    bool ReadCopies() {
        if (!ReadCount(package_.m_nCopyCount, kMaxCopies, "style-copy table: count")) {
            return false;
        }
        for (int i = 0; i < package_.m_nCopyCount; ++i) {
            PackageCopy& c = package_.m_copies[i];
            std::string where = "style copy " + std::to_string(i + 1);
            if (!ReadString(c.szSource, kPathField, where + ": source") ||
                !ReadString(c.szDest, kPathField, where + ": destination") ||
                !ReadString(c.szStyle, kShortField, where + ": style")) {
                return KeepRead(package_.m_nCopyCount, i);
            }
        }
        return true;
    }

    bool ReadRemoves() {
        if (!ReadCount(package_.m_nRemoveCount, kMaxRemoves, "remove table: count")) {
            return false;
        }
        for (int i = 0; i < package_.m_nRemoveCount; ++i) {
            if (!ReadString(package_.m_szRemove[i], kPathField, "remove " + std::to_string(i + 1))) {
                return KeepRead(package_.m_nRemoveCount, i);
            }
        }
        return true;
    }

    bool ReadUninstaller() {
        itemStart_ = input_.Tell();
        return SkipData(package_.m_nUninstallerPos, package_.m_nUninstallerSize, "uninstaller");
    }

    CPackageInfo& package_;
    InputStream& input_;
    CBlockDecoder decoder_;
    uint64_t itemStart_ = 0;
};

}  // namespace

void LoadPackage(CPackageInfo& package, InputStream& input, uint64_t packageOffset) {
    package.Clear();
    Loader(package, input).Run(packageOffset);
    // The chosen style is set when the installation starts, and the uninstaller
    // always gets the same name, whatever the package holds.
    package.m_szStyle[0] = '\0';
    std::memcpy(package.m_szUninstaller, kUninstallerName, sizeof kUninstallerName);
}

void LoadPackageFile(CPackageInfo& package, const os::NativePath& setupPath) {
    // The loader reads short records and seeks over file data.
    os::InputFile file;
    if (!file.Open(setupPath, os::kRecordBuffer)) {
        package.Clear();
        package.m_status.state = PackageStatus::State::kTruncated;
        package.m_status.where = "package";
        package.m_status.reason = "the setup file cannot be opened";
        std::memcpy(package.m_szUninstaller, kUninstallerName, sizeof kUninstallerName);
        return;
    }
    LoadPackage(package, file);
}

}  // namespace voz
