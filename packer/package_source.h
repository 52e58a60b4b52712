// A package as the packing tool assembles it: the record the setup will load
// (CPackageInfo: header, texts, images and tables, names as GBK bytes), and
// where the bytes come from that the record only places, each file's and the
// uninstaller's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "os/native_path.h"
#include "package/package_info.h"

namespace voz {

// A packed file's bytes: read from a file when the package is written, or given directly.
using FileSource = std::variant<os::NativePath, std::vector<uint8_t>>;

struct PackageSource {
    CPackageInfo record;            // its data positions and status are the loader's; the writer leaves them
    std::vector<FileSource> files;  // the bytes of every file of record.m_dirs, folder by folder
    std::vector<os::NativePath>
        folders;  // where each folder record was packed from, for messages; empty when made otherwise
    std::vector<uint8_t> uninstaller;
    bool uninstallerNamed = false;  // the manifest names the uninstaller; otherwise the packer picks one

    // Appends a folder record; its files follow with AddFile.
    PackageDir& AddFolder(std::string_view gbkName, os::NativePath source = {});
    // Appends a file to the last folder record, all three times `time` until set otherwise.
    PackageFile& AddFile(std::string_view gbkName, FileSource content, const PackageTime& time = {});
    // Where the file `file` of folder record `folder` comes from; empty when made otherwise.
    std::string SourceOf(size_t folder, size_t file) const;
    std::string SourceOf(size_t folder) const;
};

// Stores GBK text in a field of the record; throws PackError naming `what`
// when it does not fit, or holds a zero byte, which would end it early.
void StoreField(char* field, size_t size, std::string_view gbk, const std::string& what);
template <size_t N>
void StoreField(char (&field)[N], std::string_view gbk, const std::string& what) {
    StoreField(field, N, gbk, what);
}

// Stores an image's bytes (a whole BMP file) as the record holds them.
void StoreImage(CPackageInfo& record, int screen, const std::vector<uint8_t>& bytes);

}  // namespace voz
