#include "package/package_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "os/file.h"
#include "package/block_decoder.h"
#include "package/package_layout.h"
#include "package/wire.h"

namespace voz {

namespace {

// Names the item being read, e.g. "directory 3, file 7: name". Its text is
// only made when a load stops there, so reading costs no string building.
struct Item {
    const char* table;             // "header", "directory", "style copy"...
    int number = 0;                // the entry's number from 1; 0: none
    const char* screen = nullptr;  // a text's or image's screen, in brackets
    const char* sub = nullptr;     // an entry of a table within the entry ("file")
    int subNumber = 0;             // its number from 1
    const char* part = nullptr;    // the field, after a colon

    Item Part(const char* field) const {
        Item item = *this;
        item.part = field;
        return item;
    }

    // Entry `number` of a table of this item: of a part of the package
    // ("directory 3"), or of an entry ("directory 3, file 7").
    Item Entry(const char* entry, int entryNumber) const {
        if (number == 0) {
            return {.table = entry, .number = entryNumber};
        }
        return {.table = table, .number = number, .sub = entry, .subNumber = entryNumber};
    }

    std::string Text() const {
        std::string text = table;
        if (number > 0) {
            text += ' ' + std::to_string(number);
        }
        if (screen != nullptr) {
            text += std::string(" (") + screen + ')';
        }
        if (sub != nullptr) {
            text += std::string(", ") + sub + ' ' + std::to_string(subNumber);
        }
        if (part != nullptr) {
            text += std::string(": ") + part;
        }
        return text;
    }
};

// Reads the record strictly in package order (the layout's walk) and stops at
// the first item that is missing, breaks a limit or fails to decode.
class Loader {
    using Buffer = std::unique_ptr<uint8_t[]>;

public:
    Loader(CPackageInfo& package, InputStream& input) : m_package(package), m_input(input) {}

    void Run(uint64_t packageOffset) {
        if (!m_input.Seek(packageOffset)) {
            Fail(PackageStatus::State::kTruncated, {"package"}, "the setup file is shorter than its stub");
            return;
        }
        layout::WalkPackage(*this, m_package);
    }

    // The layout walk's codec: each reads one item into the record.
    void Section(const layout::Section& section) { m_record = {section.part}; }
    template <int Size>
    bool String(char (&field)[Size], const layout::Field<Size>& item) {
        return ReadString(field, Size, m_record.Part(item.part));
    }
    bool Signed(int32_t& value, const layout::Value& item) { return ReadSigned(value, m_record.Part(item.part)); }
    bool Time(PackageTime& time, const layout::Value& item) { return ReadTime(time, m_record.Part(item.part)); }
    bool FileData(PackageFile& file) { return SkipData(file.nDataPos, file.nDataSize, m_record.Part("data")); }
    bool Uninstaller(CPackageInfo& package) {
        m_itemStart = m_input.Tell();
        return SkipData(package.m_nUninstallerPos, package.m_nUninstallerSize, {"uninstaller"});
    }

    // Entries are appended as they are read, so after a failure the table
    // holds the entries read so far, the one being read included.
    template <class Entry>
    bool Table(std::vector<Entry>& entries, const layout::Table& table, auto&& walkEntry) {
        const Item owner = m_record;
        int32_t count = 0;
        if (!ReadCount(count, table.capacity, owner.Part(table.count))) {
            return false;
        }
        for (int i = 0; i < count; ++i) {
            m_record = owner.Entry(table.entry, i + 1);
            if (!walkEntry(entries.emplace_back())) {
                return false;
            }
        }
        m_record = owner;
        return true;
    }

    bool Text(CPackageInfo& package, int screen) {
        Buffer decoded;
        uint32_t size = 0;
        if (!ReadPackedItem(layout::kText, screen, decoded, size)) {
            return false;
        }
        // Like a C string, the text ends at its first zero byte.
        const char* text = reinterpret_cast<const char*>(decoded.get());
        package.Text(screen).assign(text, strnlen(text, size));
        return true;
    }

    bool Image(CPackageInfo& package, int screen) {
        Buffer decoded;
        uint32_t size = 0;
        if (!ReadPackedItem(layout::kImage, screen, decoded, size)) {
            return false;
        }
        package.Image(screen) = std::move(decoded);
        package.ImageSize(screen) = static_cast<int32_t>(size);
        return true;
    }

private:
    bool Fail(PackageStatus::State state, const Item& where, const char* reason) {
        m_package.m_status.state = state;
        m_package.m_status.where = where.Text();
        m_package.m_status.reason = reason;
        m_package.m_status.offset = m_itemStart;
        return false;
    }

    bool Truncated(const Item& where) {
        return Fail(PackageStatus::State::kTruncated, where, "the package ends early");
    }

    bool Damaged(const Item& where, const char* reason) { return Fail(PackageStatus::State::kDamaged, where, reason); }

    bool ReadU32(uint32_t& value, const Item& where) { return ReadPackageU32(m_input, value) || Truncated(where); }

    // Counts are signed on disk; zero or less means no entries.
    bool ReadCount(int32_t& count, int capacity, const Item& where) {
        m_itemStart = m_input.Tell();
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

    bool ReadString(char* field, int fieldSize, const Item& where) {
        m_itemStart = m_input.Tell();
        switch (ReadPackageString(field, fieldSize, m_input)) {
        case StringRead::kOk: return true;
        case StringRead::kTruncated: return Truncated(where);
        case StringRead::kTooLong: return Damaged(where, "text longer than its field");
        }
        return false;
    }

    bool ReadSigned(int32_t& value, const Item& where) {
        m_itemStart = m_input.Tell();
        uint32_t raw;
        if (!ReadU32(raw, where)) {
            return false;
        }
        value = static_cast<int32_t>(raw);
        return true;
    }

    bool ReadTime(PackageTime& time, const Item& where) { return ReadPackageTime(m_input, time) || Truncated(where); }

    // Reads a screen's packed item (u32 stored length, block sequence) and
    // decodes it. Both buffers are sized by what the item holds: the stored
    // length once the input is known to hold it, and the decoded size its
    // block headers announce, up to the item's capacity. So a damaged length
    // costs no memory.
    bool ReadPackedItem(const layout::Packed& item, int screen, Buffer& decoded, uint32_t& size) {
        const Item where{.table = item.part, .number = screen + 1, .screen = kScreenKeys[screen]};
        const uint32_t capacity = item.decodedCapacity;
        m_itemStart = m_input.Tell();
        uint32_t length;
        if (!ReadU32(length, where)) {
            return false;
        }
        if (length > item.storedCapacity) {
            return Damaged(where, "stored item larger than its buffer");
        }
        if (m_input.Tell() > m_input.Size() || length > m_input.Size() - m_input.Tell()) {
            return Truncated(where);
        }
        Buffer stored = std::make_unique_for_overwrite<uint8_t[]>(length);
        if (!m_input.ReadExact(stored.get(), length)) {
            return Truncated(where);
        }
        const uint32_t decodedSize = AnnouncedSize(stored.get(), length, capacity);
        decoded = std::make_unique_for_overwrite<uint8_t[]>(decodedSize);
        if (!m_decoder) {
            m_decoder.emplace();  // its buffers are needed only once a packed item is read
        }
        DecodeResult result = m_decoder->DecodeSequence(decoded.get(), decodedSize, stored.get(), length);
        if (!result.ok()) {
            return Damaged(where, DescribeDecodeError(result.error));
        }
        size = static_cast<uint32_t>(result.produced);
        return true;
    }

    // The decoded size announced by a block sequence's headers, as far as they
    // are framed soundly, capped at capacity. Every block the decoder can reach
    // fits: it stops at the same framing fault, and a sequence announcing more
    // than the capacity still gets the capacity and fails as too large.
    static uint32_t AnnouncedSize(const uint8_t* stored, uint32_t length, uint32_t capacity) {
        MemoryInput blocks(stored, length);
        return static_cast<uint32_t>(std::min<uint64_t>(MeasureSequence(blocks, length).produced, capacity));
    }

    // Records where a file's or the uninstaller's blocks start and skips them.
    bool SkipData(int32_t& position, int32_t& size, const Item& where) {
        uint32_t length;
        if (!ReadU32(length, where)) {
            return false;
        }
        uint64_t start = m_input.Tell();
        if (start + length > INT32_MAX) {
            return Damaged(where, "data lies beyond 2 GiB");
        }
        position = static_cast<int32_t>(start);
        size = static_cast<int32_t>(length);
        if (start + length > m_input.Size()) {
            return Truncated(where);
        }
        return m_input.Seek(start + length) || Truncated(where);
    }

    CPackageInfo& m_package;
    InputStream& m_input;
    std::optional<CBlockDecoder> m_decoder;
    uint64_t m_itemStart = 0;
    Item m_record{"package"};  // the record being read, for the status of a failure
};

}  // namespace

void LoadPackage(CPackageInfo& package, InputStream& input, uint64_t packageOffset) {
    package = CPackageInfo();
    Loader(package, input).Run(packageOffset);
    // The uninstaller always gets the same name, whatever the package holds.
    std::memcpy(package.m_szUninstaller, kUninstallerName, sizeof kUninstallerName);
}

void LoadPackageFile(CPackageInfo& package, const os::NativePath& setupPath) {
    // The loader reads short records and seeks over file data.
    os::InputFile file;
    if (!file.Open(setupPath, os::kRecordBuffer)) {
        package = CPackageInfo();
        package.m_status.state = PackageStatus::State::kTruncated;
        package.m_status.where = "package";
        package.m_status.reason = "the setup file cannot be opened";
        std::memcpy(package.m_szUninstaller, kUninstallerName, sizeof kUninstallerName);
        return;
    }
    LoadPackage(package, file);
}

}  // namespace voz
