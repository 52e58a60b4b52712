// The order of the package's items and the limit of each, in one place: the
// setup's loader and the packing tool's writer both walk the package through
// what is declared here, so what one writes the other reads, and a limit the
// writer enforces is the limit the loader enforces. docs/package-format.md
// describes the bytes.
//
// A walker hands a codec the items of one record in file order; the loader's
// codec reads them into the record, the writer's checks them against their
// limits, then writes them. A codec provides:
//   String(text, const Field<Size>&)  u32 length and the bytes, at most Size - 1 of them
//   Signed(value, const char* part)   i32
//   Time(time)                        eight u16 fields (PackageTime)
//   Data(data)                        u32 stored length and a block sequence
//   Count(count, const Table&)        i32 number of entries, at most the table's capacity
#pragma once

#include <cstdint>

#include "package/package_format.h"

namespace voz::layout {

// The package's parts in file order.
enum class Part { kHeader, kTexts, kImages, kDirectories, kShortcuts, kCopies, kRemoves, kUninstaller };
inline constexpr Part kParts[] = {Part::kHeader,      Part::kTexts,     Part::kImages,  Part::kDirectories,
                                  Part::kShortcuts,   Part::kCopies,    Part::kRemoves, Part::kUninstaller};

// A string field of Size bytes in the loader's record: at most Size - 1 bytes
// of text. `part` names it in the loader's status ("header: title"), `what`
// in the writer's messages. The loader takes the record's character array of
// exactly Size bytes, so a record field of another size does not compile.
template <int Size>
struct Field {
    const char* part;
    const char* what;
};

// A table's count, signed on disk (zero or less: no entries), and its capacity.
struct Table {
    int capacity;
    const char* part;  // the count's name in the loader's status
    const char* what;  // the writer's name for the entries
};

// A packed item (text or image): u32 stored length, then a block sequence.
struct Packed {
    uint32_t storedCapacity;   // largest stored length
    uint32_t decodedCapacity;  // largest decoded size
};

// Header: six strings, then the default order software.
inline constexpr Field<kNameField> kTitle{"title", "title"};
inline constexpr Field<kNameField> kVersion{"version", "version"};
inline constexpr Field<kNameField> kCompany{"company", "company"};
inline constexpr Field<kPathField> kInstallDir{"install folder", "install folder"};
inline constexpr Field<kNameField> kMainExe{"main program", "main program"};
inline constexpr Field<kPathField> kSourceDir{"source folder", "source folder"};
inline constexpr const char* kDefaultOrderSoftware = "default order software";

// Texts, then images, kScreenCount of each in screen order. A decoded text
// leaves room for the terminating zero.
inline constexpr Packed kText{kTextCapacity, kTextCapacity - 1};
inline constexpr Packed kImage{kImageCapacity, kImageCapacity};

// Directory table: count, then per folder its name, its file count and its files.
inline constexpr Table kDirectories{kMaxDirs, "count", "folders"};
inline constexpr Field<kNameField> kDirName{"name", "folder name"};
inline constexpr Table kFiles{kMaxFilesPerDir, "file count", "files in folder"};
inline constexpr Field<kNameField> kFileName{"name", "file name"};

// Shortcut table: the program group, count, then the shortcuts.
inline constexpr Field<kNameField> kGroup{"group", "program group"};
inline constexpr Table kShortcuts{kMaxShortcuts, "count", "shortcuts"};
inline constexpr Field<kPathField> kLinkName{"link name", "shortcut link name"};
inline constexpr Field<kPathField> kTarget{"target", "shortcut target"};
inline constexpr Field<kPathField> kIcon{"icon", "shortcut icon"};
inline constexpr const char* kPlace = "place";

// Style-copy table: count, then the copies.
inline constexpr Table kCopies{kMaxCopies, "count", "style copies"};
inline constexpr Field<kPathField> kCopySource{"source", "style copy source"};
inline constexpr Field<kPathField> kCopyDest{"destination", "style copy destination"};
inline constexpr Field<kShortField> kCopyStyle{"style", "style label"};

// Remove table: count, then one path per entry. The uninstaller's data follows.
inline constexpr Table kRemoves{kMaxRemoves, "count", "removes"};
inline constexpr Field<kPathField> kRemove{nullptr, "remove entry"};

inline bool WalkHeader(auto& codec, auto&& title, auto&& version, auto&& company, auto&& installDir, auto&& mainExe,
                       auto&& sourceDir, auto&& defaultOrderSoftware) {
    return codec.String(title, kTitle) && codec.String(version, kVersion) && codec.String(company, kCompany) &&
           codec.String(installDir, kInstallDir) && codec.String(mainExe, kMainExe) &&
           codec.String(sourceDir, kSourceDir) && codec.Signed(defaultOrderSoftware, kDefaultOrderSoftware);
}

// A folder record's start: its name and its file count; its files follow.
inline bool WalkFolder(auto& codec, auto&& name, auto&& fileCount) {
    return codec.String(name, kDirName) && codec.Count(fileCount, kFiles);
}

// A file record: name, creation, last access and last write times, then its data.
inline bool WalkFile(auto& codec, auto&& name, auto&& creation, auto&& lastAccess, auto&& lastWrite, auto&& data) {
    return codec.String(name, kFileName) && codec.Time(creation) && codec.Time(lastAccess) &&
           codec.Time(lastWrite) && codec.Data(data);
}

inline bool WalkShortcut(auto& codec, auto&& linkName, auto&& target, auto&& icon, auto&& place) {
    return codec.String(linkName, kLinkName) && codec.String(target, kTarget) && codec.String(icon, kIcon) &&
           codec.Signed(place, kPlace);
}

// The shortcut table's start: the program group comes before the count, unlike in every other table.
inline bool WalkShortcutTable(auto& codec, auto&& group, auto&& count) {
    return codec.String(group, kGroup) && codec.Count(count, kShortcuts);
}

inline bool WalkCopy(auto& codec, auto&& source, auto&& dest, auto&& style) {
    return codec.String(source, kCopySource) && codec.String(dest, kCopyDest) && codec.String(style, kCopyStyle);
}

}  // namespace voz::layout
