// The order of the package's items and the limit of each, in one place: the
// setup's loader, the packing tool's writer and limit check, and its listing
// all walk the package record (CPackageInfo) through what is declared here,
// so what one writes the other reads, a limit the writer enforces is the limit
// the loader enforces, and a field declared here is listed. The uninstall
// table that the installation appends to the uninstaller is declared here too.
// docs/package-format.md describes the bytes.
//
// A walk hands a codec the items of a record in file order, each with its
// descriptor. The loader walks a CPackageInfo and fills it; the others walk a
// const one. A codec provides:
//   Section(const Section&)              the part of the package whose items follow
//   String(text, const Field<Size>&)     u32 length and the bytes, at most Size - 1 of them
//   Signed(value, const Value&)          i32
//   Time(time, const Value&)             eight u16 fields (PackageTime)
//   Table(entries, const Table&, walk)   i32 number of entries, at most the capacity, then
//                                        each entry, handed to walk(entry)
//   Text(record, screen), Image(record, screen)
//                                        a packed item: u32 stored length, then a block sequence
//   FileData(file), Uninstaller(record)  u32 stored length, then a block sequence that is
//                                        decoded only when the setup installs
// Every item returns false to stop the walk.
#pragma once

#include <cstdint>
#include <string_view>

#include "package/package_info.h"
#include "package/wire.h"

namespace voz::layout {

// A part of the package: `part` names it in the loader's status, `key` is the
// listing's object that holds its items (null: they stand at the top level).
struct Section {
    const char* part;
    const char* key;
};

// A string field of Size bytes in the record: at most Size - 1 bytes of text.
// The loader takes the record's character array of exactly Size bytes, so a
// record field of another size does not compile. `part` names the field in
// the loader's status and the text listing ("install folder"), `key` in the
// manifest, the JSON listing and the packing tool's messages ("install_dir").
template <int Size>
struct Field {
    static constexpr int kSize = Size;
    const char* part;
    const char* key;
};

// A number or a time, named as a field is.
struct Value {
    const char* part;
    const char* key;
};

// A table: its count, signed on disk (zero or less: no entries) and at most
// `capacity`, then its entries.
struct Table {
    int capacity;
    const char* count;  // the count's name in the loader's status ("file count")
    const char* entry;  // one entry's name in the loader's status ("file")
    const char* key;    // the listing's name of the entries ("files")
    const char* what;   // the packing tool's name of the entries ("files in folder")
};

// A packed item (text or image): u32 stored length, then a block sequence.
struct Packed {
    uint32_t storedCapacity;   // largest stored length
    uint32_t decodedCapacity;  // largest decoded size
    const char* part;          // "text 1 (main)" in the loader's status
    const char* key;           // the listing's object of the six
};

// Header: six strings, then the default order software.
inline constexpr Section kHeader{"header", "header"};
inline constexpr Field<kNameField> kTitle{"title", "title"};
inline constexpr Field<kNameField> kVersion{"version", "version"};
inline constexpr Field<kNameField> kCompany{"company", "company"};
inline constexpr Field<kPathField> kInstallDir{"install folder", "install_dir"};
inline constexpr Field<kNameField> kMainExe{"main program", "main_exe"};
inline constexpr Field<kPathField> kSourceDir{"source folder", "source_dir"};
inline constexpr Value kDefaultOrderSoftware{"default order software", "default_order_software"};

// Texts, then images, kScreenCount of each in screen order. A decoded text
// leaves room for the terminating zero.
inline constexpr Packed kText{kTextCapacity, kTextCapacity - 1, "text", "texts"};
inline constexpr Packed kImage{kImageCapacity, kImageCapacity, "image", "images"};

// Directory table: count, then per folder its name, its file count and its files.
inline constexpr Section kDirectorySection{"directory table", nullptr};
inline constexpr Table kDirectories{kMaxDirs, "count", "directory", "folders", "folders"};
inline constexpr Field<kNameField> kDirName{"name", "name"};
inline constexpr Table kFiles{kMaxFilesPerDir, "file count", "file", "files", "files in folder"};
inline constexpr Field<kNameField> kFileName{"name", "name"};
inline constexpr Value kCreation{"times", "created"};
inline constexpr Value kLastAccess{"times", "accessed"};
inline constexpr Value kLastWrite{"times", "written"};

// Shortcut table: the program group, count, then the shortcuts.
inline constexpr Section kShortcutSection{"shortcut table", nullptr};
inline constexpr Field<kNameField> kGroup{"group", "group"};
inline constexpr Table kShortcuts{kMaxShortcuts, "count", "shortcut", "shortcuts", "shortcuts"};
inline constexpr Field<kPathField> kLinkName{"link name", "link"};
inline constexpr Field<kPathField> kTarget{"target", "target"};
inline constexpr Field<kPathField> kIcon{"icon", "icon"};
inline constexpr Value kPlace{"place", "place"};

// Style-copy table: count, then the copies.
inline constexpr Section kCopySection{"style-copy table", nullptr};
inline constexpr Table kCopies{kMaxCopies, "count", "style copy", "style_copies", "style copies"};
inline constexpr Field<kPathField> kCopySource{"source", "source"};
inline constexpr Field<kPathField> kCopyDest{"destination", "dest"};
inline constexpr Field<kShortField> kCopyStyle{"style", "style"};

// Remove table: count, then one path per entry, which is the entry itself.
inline constexpr Section kRemoveSection{"remove table", nullptr};
inline constexpr Table kRemoves{kMaxRemoves, "count", "remove", "removes", "removes"};
inline constexpr Field<kPathField> kRemove{nullptr, nullptr};

inline bool WalkHeader(auto& codec, auto& p) {
    codec.Section(kHeader);
    return codec.String(p.m_szTitle, kTitle) && codec.String(p.m_szVersion, kVersion) &&
           codec.String(p.m_szCompany, kCompany) && codec.String(p.m_szInstallDir, kInstallDir) &&
           codec.String(p.m_szMainExe, kMainExe) && codec.String(p.m_szSourceDir, kSourceDir) &&
           codec.Signed(p.m_nDefaultOrderSoftware, kDefaultOrderSoftware);
}

inline bool WalkScreens(auto& codec, auto& p) {
    for (int i = 0; i < kScreenCount; ++i) {
        if (!codec.Text(p, i)) {
            return false;
        }
    }
    for (int i = 0; i < kScreenCount; ++i) {
        if (!codec.Image(p, i)) {
            return false;
        }
    }
    return true;
}

inline bool WalkDirectories(auto& codec, auto& p) {
    codec.Section(kDirectorySection);
    return codec.Table(p.m_dirs, kDirectories, [&](auto& dir) {
        return codec.String(dir.szName, kDirName) && codec.Table(dir.files, kFiles, [&](auto& file) {
            return codec.String(file.szName, kFileName) && codec.Time(file.stCreation, kCreation) &&
                   codec.Time(file.stLastAccess, kLastAccess) && codec.Time(file.stLastWrite, kLastWrite) &&
                   codec.FileData(file);
        });
    });
}

// The program group comes before the count, unlike in every other table.
inline bool WalkShortcuts(auto& codec, auto& p) {
    codec.Section(kShortcutSection);
    return codec.String(p.m_szGroup, kGroup) && codec.Table(p.m_shortcuts, kShortcuts, [&](auto& s) {
        return codec.String(s.szLinkName, kLinkName) && codec.String(s.szTarget, kTarget) &&
               codec.String(s.szIcon, kIcon) && codec.Signed(s.nPlace, kPlace);
    });
}

inline bool WalkCopies(auto& codec, auto& p) {
    codec.Section(kCopySection);
    return codec.Table(p.m_copies, kCopies, [&](auto& c) {
        return codec.String(c.szSource, kCopySource) && codec.String(c.szDest, kCopyDest) &&
               codec.String(c.szStyle, kCopyStyle);
    });
}

inline bool WalkRemoves(auto& codec, auto& p) {
    codec.Section(kRemoveSection);
    return codec.Table(p.m_removes, kRemoves, [&](auto& r) { return codec.String(r.szPath, kRemove); });
}

// The whole package, the uninstaller's data last.
inline bool WalkPackage(auto& codec, auto& p) {
    return WalkHeader(codec, p) && WalkScreens(codec, p) && WalkDirectories(codec, p) && WalkShortcuts(codec, p) &&
           WalkCopies(codec, p) && WalkRemoves(codec, p) && codec.Uninstaller(p);
}

// ---- The uninstall table ----------------------------------------------------
// What the installation appends to the uninstaller first (UninstallTable):
// title, version, one link path per shortcut record, the program group's
// path. Older uninstallers read it, so its layout never changes.
inline constexpr Field<kNameField> kUninstallTitle{"title", "title"};
inline constexpr Field<kNameField> kUninstallVersion{"version", "version"};
inline constexpr Table kUninstallLinks{kMaxShortcuts, "link count", "link", "links", "links"};
inline constexpr Field<kPathField> kUninstallLink{nullptr, nullptr};
inline constexpr Field<kPathField> kUninstallGroup{"group", "group"};

inline bool WalkUninstallTable(auto& codec, auto& table) {
    return codec.String(table.title, kUninstallTitle) && codec.String(table.version, kUninstallVersion) &&
           codec.Table(table.links, kUninstallLinks, [&](auto& link) { return codec.String(link, kUninstallLink); }) &&
           codec.String(table.group, kUninstallGroup);
}

// ---- Writing a walk ---------------------------------------------------------
// Writes the strings, values and tables of a walk in the wire encoding. The
// installation writes the uninstall table with it; the packing tool's writer
// adds the packed items and file data.
class WireWriter {
public:
    explicit WireWriter(OutputStream& out) : m_out(out) {}

    void Section(const layout::Section&) {}
    template <int Size>
    bool String(std::string_view text, const Field<Size>&) {
        return WritePackageString(text, m_out);
    }
    template <int Size>
    bool String(const char (&field)[Size], const Field<Size>& item) {
        return String(FieldText(field), item);
    }
    bool Signed(int32_t value, const Value&) { return WritePackageU32(static_cast<uint32_t>(value), m_out); }
    bool Time(const PackageTime& time, const Value&) { return WritePackageTime(time, m_out); }
    bool Table(const auto& entries, const layout::Table&, auto&& walkEntry) {
        if (!WritePackageU32(static_cast<uint32_t>(entries.size()), m_out)) {
            return false;
        }
        for (const auto& entry : entries) {
            if (!walkEntry(entry)) {
                return false;
            }
        }
        return true;
    }

protected:
    OutputStream& m_out;
};

}  // namespace voz::layout
