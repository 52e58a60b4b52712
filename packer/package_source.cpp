#include "packer/package_source.h"

#include <algorithm>
#include <cstring>

#include "os/text_encoding.h"
#include "packer/console_text.h"
#include "packer/pack_error.h"

namespace voz {

PackageDir& PackageSource::AddFolder(std::string_view gbkName, os::NativePath source) {
    PackageDir& dir = record.m_dirs.emplace_back();
    StoreField(dir.szName, gbkName, "folder name");
    folders.resize(record.m_dirs.size() - 1);
    folders.push_back(std::move(source));
    return dir;
}

PackageFile& PackageSource::AddFile(std::string_view gbkName, FileSource content, const PackageTime& time) {
    PackageFile& file = record.m_dirs.back().files.emplace_back();
    StoreField(file.szName, gbkName, "file name");
    file.stCreation = file.stLastAccess = file.stLastWrite = time;
    files.push_back(std::move(content));
    return file;
}

std::string PackageSource::SourceOf(size_t folder, size_t file) const {
    size_t index = file;
    for (size_t d = 0; d < folder; ++d) {
        index += record.m_dirs[d].files.size();
    }
    const auto* path = index < files.size() ? std::get_if<os::NativePath>(&files[index]) : nullptr;
    return path != nullptr ? PathText(*path) : std::string();
}

std::string PackageSource::SourceOf(size_t folder) const {
    return folder < folders.size() && !folders[folder].empty() ? PathText(folders[folder]) : std::string();
}

void StoreField(char* field, size_t size, std::string_view gbk, const std::string& what) {
    if (gbk.size() > size - 1) {
        const std::string text(gbk);
        throw PackError(what + " \"" + os::GbkToUtf8(text).value_or(text) + "\" is " + std::to_string(gbk.size()) +
                        " bytes; the setup holds at most " + std::to_string(size - 1));
    }
    if (gbk.find('\0') != std::string_view::npos) {
        throw PackError(what + " contains a zero byte");
    }
    std::memcpy(field, gbk.data(), gbk.size());
    field[gbk.size()] = '\0';
}

void StoreImage(CPackageInfo& record, int screen, const std::vector<uint8_t>& bytes) {
    record.Image(screen) = std::make_unique_for_overwrite<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), record.Image(screen).get());
    record.ImageSize(screen) = static_cast<int32_t>(bytes.size());
}

}  // namespace voz
