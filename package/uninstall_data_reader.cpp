// Reading the uninstall data: in the uninstaller, in the tools, and in the
// setup, which reads the log of the installation it replaces.
#include "package/uninstall_data.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "os/gbk.h"
#include "package/install_paths.h"
#include "package/install_rules.h"
#include "package/package_layout.h"
#include "package/pe_headers.h"
#include "package/wire.h"

namespace voz {

namespace {

// More sections than this are taken for damage.
constexpr uint32_t kMaxSections = 96;

// Reads a string of at most fieldSize - 1 bytes.
bool ReadString(InputStream& in, int fieldSize, std::string& text) {
    auto field = std::make_unique<char[]>(static_cast<size_t>(fieldSize));
    if (ReadPackageString(field.get(), fieldSize, in) != StringRead::kOk) {
        return false;
    }
    text = field.get();
    return true;
}

// Reads the uninstall table's walk (package_layout.h) into an UninstallTable.
class TableReader {
public:
    explicit TableReader(InputStream& in) : m_in(in) {}

    template <int Size>
    bool String(std::string& text, const layout::Field<Size>&) {
        return ReadString(m_in, Size, text);
    }
    bool Table(std::vector<std::string>& entries, const layout::Table& table, auto&& walkEntry) {
        uint32_t count;
        if (!ReadPackageU32(m_in, count) || count > static_cast<uint32_t>(table.capacity)) {
            return false;
        }
        entries.resize(count);
        return std::all_of(entries.begin(), entries.end(), walkEntry);
    }

private:
    InputStream& m_in;
};

// A logged path must stay inside the install folder; only a folder may be the
// install folder itself.
bool ReadLoggedPath(InputStream& in, bool folder, std::string& path) {
    return ReadString(in, kPathField, path) &&
           ((folder && path.empty()) || CheckRelativePath(path) == NameCheck::kSafe);
}

bool ReadFolders(InputStream& in, std::vector<std::string>& folders) {
    uint32_t count;
    if (!ReadPackageU32(in, count)) {
        return false;
    }
    folders.clear();
    for (uint32_t i = 0; i < count; ++i) {  // a hostile count ends with the bytes, not with memory
        if (!ReadLoggedPath(in, true, folders.emplace_back())) {
            return false;
        }
    }
    return true;
}

bool ReadContent(InputStream& in, std::optional<FileContent>& content) {
    uint8_t recorded;
    if (!in.ReadExact(&recorded, 1) || recorded > kContentRecorded) {
        return false;
    }
    uint32_t low, high, crc;
    if (recorded == kContentRecorded) {
        if (!ReadPackageU32(in, low) || !ReadPackageU32(in, high) || !ReadPackageU32(in, crc)) {
            return false;
        }
        content = FileContent{(uint64_t{high} << 32) | low, crc};
    }
    return true;
}

// A first log names each file alone; a later one follows each with its content.
bool ReadFiles(InputStream& in, bool withContent, std::vector<LoggedFile>& files) {
    uint32_t count;
    if (!ReadPackageU32(in, count)) {
        return false;
    }
    files.clear();
    for (uint32_t i = 0; i < count; ++i) {
        LoggedFile& file = files.emplace_back();
        if (!ReadLoggedPath(in, false, file.path) || (withContent && !ReadContent(in, file.content))) {
            return false;
        }
    }
    return true;
}

bool ReadLogBody(InputStream& in, bool withContent, InstallLog& log) {
    // A real separator would name another key; a GBK second byte 0x5C is none.
    return ReadString(in, kPathField, log.appListKey) && gbk::LastSeparator(log.appListKey) == std::string::npos &&
           ReadFolders(in, log.folders) && ReadFiles(in, withContent, log.files) && in.Tell() == in.Size();
}

UninstallDataState ReadLog(InputStream& in, InstallLog& log) {
    if (in.Tell() == in.Size()) {
        return UninstallDataState::kNoLog;
    }
    char marker[sizeof kInstallLogMarker];
    uint32_t length;
    uint32_t crc;
    if (!in.ReadExact(marker, sizeof marker)) {
        return UninstallDataState::kDamaged;
    }
    const bool withContent = std::memcmp(marker, kInstallLogMarker, sizeof marker) == 0;
    if ((!withContent && std::memcmp(marker, kFirstInstallLogMarker, sizeof marker) != 0) ||
        !ReadPackageU32(in, length) || !ReadPackageU32(in, crc) || length > kMaxInstallLogBytes ||
        length != in.Size() - in.Tell()) {
        return UninstallDataState::kDamaged;
    }
    auto body = std::make_unique<uint8_t[]>(length + 1);
    if (!in.ReadExact(body.get(), length) || Crc32(body.get(), length) != crc) {
        return UninstallDataState::kDamaged;
    }
    MemoryInput bodyInput(body.get(), length);
    return ReadLogBody(bodyInput, withContent, log) ? UninstallDataState::kSound : UninstallDataState::kDamaged;
}

}  // namespace

std::optional<uint64_t> FindImageEnd(InputStream& program) {
    const std::optional<PeHeaders> headers = ReadPeHeaders(program);
    if (!headers || headers->sections == 0 || headers->sections > kMaxSections) {
        return std::nullopt;
    }
    uint64_t end = 0;
    const uint64_t certificateEntry = headers->DirectoryAt(kSecurityDirectory);
    if ((headers->magic == kPe32Magic || headers->magic == kPe32PlusMagic) &&
        certificateEntry + 8 <= headers->optional + headers->optionalSize) {
        uint8_t entry[8];
        if (!ReadAt(program, certificateEntry, entry, 8)) {
            return std::nullopt;
        }
        // The certificate table's address is a file offset, not a memory address.
        if (LoadLittleEndian32(entry + 4) != 0) {
            end = uint64_t{LoadLittleEndian32(entry)} + LoadLittleEndian32(entry + 4);
        }
    }
    for (uint32_t i = 0; i < headers->sections; ++i) {
        uint8_t section[kSectionHeaderSize];
        if (!ReadAt(program, headers->SectionAt(i), section, sizeof section)) {
            return std::nullopt;
        }
        const uint32_t rawSize = LoadLittleEndian32(section + 16);
        if (rawSize != 0) {
            end = std::max(end, uint64_t{LoadLittleEndian32(section + 20)} + rawSize);
        }
    }
    if (end == 0 || end > program.Size()) {
        return std::nullopt;
    }
    return end;
}

UninstallData ReadUninstallData(InputStream& program) {
    UninstallData data;
    std::optional<uint64_t> end = FindImageEnd(program);
    if (!end) {
        data.state = UninstallDataState::kNotAProgram;
        return data;
    }
    return ReadUninstallDataAt(program, *end);
}

UninstallData ReadUninstallDataAt(InputStream& program, uint64_t offset) {
    UninstallData data;
    if (offset >= program.Size()) {
        data.state = UninstallDataState::kNoData;
        return data;
    }
    TableReader reader(program);
    if (!program.Seek(offset) || !layout::WalkUninstallTable(reader, data.table)) {
        data.state = UninstallDataState::kDamaged;
        return data;
    }
    data.state = ReadLog(program, data.log);
    return data;
}

}  // namespace voz
