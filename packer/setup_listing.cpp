#include "packer/setup_listing.h"

#include <cstdio>

#include "package/package_image.h"
#include "package/package_layout.h"
#include "packer/console_text.h"

namespace voz {

namespace {

std::string FormatTime(const PackageTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond, t.wMilliseconds);
    return buf;
}

const char* PlaceName(int32_t place) {
    return place == kPlaceDesktop ? "desktop" : place == kPlaceGroup ? "group" : "none";
}

const char* StateName(PackageStatus::State state) {
    switch (state) {
    case PackageStatus::State::kSound: return "sound";
    case PackageStatus::State::kTruncated: return "truncated";
    case PackageStatus::State::kDamaged: return "damaged";
    }
    return "unknown";
}

// Width and height of an image as the setup reads it; zeros when it cannot draw it.
std::pair<int32_t, int32_t> BitmapSize(const CPackageInfo& p, int screen) {
    const int32_t size = p.ImageSize(screen);
    std::optional<PackageImageView> view = ParsePackageImage(p.Image(screen), size > 0 ? static_cast<size_t>(size) : 0);
    return view ? std::pair{view->width, view->height} : std::pair{0, 0};
}

std::string UninstallerCrc(const SetupInspection& inspection) {
    char crc[9];
    std::snprintf(crc, sizeof crc, "%08x", inspection.uninstallerCrc);
    return crc;
}

// Builds the JSON listing as the layout's walk hands it the record's items:
// each field under its key, each table as an array of its entries.
class JsonListing {
public:
    explicit JsonListing(const SetupInspection& inspection) : m_inspection(inspection) {}

    nlohmann::json Run() {
        layout::WalkPackage(*this, m_inspection.package);
        m_json["file_size"] = m_inspection.fileSize;
        m_json["refused"] = m_inspection.names.refused;
        m_json["notes"] = m_inspection.names.notes;
        const PackageStatus& status = m_inspection.package.m_status;
        m_json["status"] = {{"state", StateName(status.state)}};
        if (!status.sound()) {
            m_json["status"]["where"] = status.where;
            m_json["status"]["reason"] = status.reason;
            m_json["status"]["offset"] = status.offset;
        }
        return std::move(m_json);
    }

    void Section(const layout::Section& section) { m_object = section.key != nullptr ? &m_json[section.key] : &m_json; }
    template <int Size>
    bool String(const char (&field)[Size], const layout::Field<Size>& item) {
        return Put(item.key, DisplayText(field));
    }
    bool Signed(int32_t value, const layout::Value& item) { return Put(item.key, value); }
    bool Time(const PackageTime& time, const layout::Value& item) { return Put(item.key, FormatTime(time)); }

    bool Table(const auto& entries, const layout::Table& table, auto&& walkEntry) {
        nlohmann::json& array = (*m_object)[table.key] = nlohmann::json::array();
        nlohmann::json* owner = m_object;
        for (const auto& entry : entries) {
            nlohmann::json item;
            m_object = &item;
            walkEntry(entry);
            array.push_back(std::move(item));
        }
        m_object = owner;
        return true;
    }

    bool Text(const CPackageInfo& p, int screen) {
        m_json[layout::kText.key][kScreenKeys[screen]] = p.Text(screen).size();
        return true;
    }
    bool Image(const CPackageInfo& p, int screen) {
        auto [width, height] = BitmapSize(p, screen);
        m_json[layout::kImage.key][kScreenKeys[screen]] = {
            {"size", p.ImageSize(screen)}, {"width", width}, {"height", height}};
        return true;
    }
    bool FileData(const PackageFile& file) {
        const InspectedFile& inspected = m_inspection.files[m_file++];
        Put("size", inspected.size);
        Put("stored", file.nDataSize);
        return inspected.problem.empty() || Put("problem", inspected.problem);
    }
    bool Uninstaller(const CPackageInfo& p) {
        nlohmann::json& uninstaller = m_json["uninstaller"];
        uninstaller = {{"size", m_inspection.uninstallerSize}, {"stored", p.m_nUninstallerSize}};
        if (!m_inspection.uninstallerKind.empty()) {
            uninstaller["kind"] = m_inspection.uninstallerKind;
            uninstaller["crc32"] = UninstallerCrc(m_inspection);
        }
        return true;
    }

private:
    // An entry that is one field (a removal) is that field's value.
    bool Put(const char* key, nlohmann::json value) {
        (key != nullptr ? (*m_object)[key] : *m_object) = std::move(value);
        return true;
    }

    const SetupInspection& m_inspection;
    nlohmann::json m_json;
    nlohmann::json* m_object = &m_json;
    size_t m_file = 0;  // the inspected file the next file data belongs to
};

// Prints the header's fields one a line (the layout's walk of the header).
struct HeaderLines {
    void Section(const layout::Section&) {}
    template <int Size>
    bool String(const char (&field)[Size], const layout::Field<Size>& item) {
        PrintOut("%-15s %s\n", (std::string(item.part) + ":").c_str(), DisplayText(field).c_str());
        return true;
    }
    bool Signed(int32_t value, const layout::Value& item) {
        PrintOut("%-15s %d\n", (std::string(item.part) + ":").c_str(), value);
        return true;
    }
};

void PrintScreens(const CPackageInfo& p) {
    PrintOut("screens (text bytes, image bytes and size):\n");
    for (int i = 0; i < kScreenCount; ++i) {
        auto [width, height] = BitmapSize(p, i);
        PrintOut("  %-8s text %6zu  image %8d  %dx%d\n", kScreenKeys[i], p.Text(i).size(), p.ImageSize(i), width,
                 height);
    }
}

void PrintFolders(const SetupInspection& inspection) {
    uint64_t bytes = 0;
    uint64_t stored = 0;
    size_t index = 0;
    for (const PackageDir& dir : inspection.package.m_dirs) {
        PrintOut("folder %s\n", dir.szName[0] == '\0' ? "(install folder)" : DisplayText(dir.szName).c_str());
        for (const PackageFile& file : dir.files) {
            const InspectedFile& inspected = inspection.files[index++];
            PrintOut("  %12llu %12lld  %s  %s  %s  %s%s\n", static_cast<unsigned long long>(inspected.size),
                     static_cast<long long>(file.nDataSize), FormatTime(file.stCreation).c_str(),
                     FormatTime(file.stLastAccess).c_str(), FormatTime(file.stLastWrite).c_str(),
                     DisplayText(file.szName).c_str(),
                     inspected.problem.empty() ? "" : (" [" + inspected.problem + "]").c_str());
            bytes += inspected.size;
            stored += static_cast<uint64_t>(file.nDataSize);
        }
    }
    PrintOut("%zu folders, %zu files, %llu bytes, %llu stored\n", inspection.package.m_dirs.size(), index,
             static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(stored));
}

void PrintTables(const CPackageInfo& p) {
    PrintOut("program group: %s\n", DisplayText(p.m_szGroup).c_str());
    for (const PackageShortcut& s : p.m_shortcuts) {
        PrintOut("shortcut %-7s %s -> %s (icon %s)\n", PlaceName(s.nPlace), DisplayText(s.szLinkName).c_str(),
                 s.szTarget[0] == '\0' ? "(uninstaller)" : DisplayText(s.szTarget).c_str(),
                 s.szIcon[0] == '\0' ? "of the target" : DisplayText(s.szIcon).c_str());
    }
    for (const PackageCopy& c : p.m_copies) {
        PrintOut("style copy [%s] %s -> %s\n", DisplayText(c.szStyle).c_str(), DisplayText(c.szSource).c_str(),
                 DisplayText(c.szDest).c_str());
    }
    for (const PackageRemove& r : p.m_removes) {
        PrintOut("remove %s\n", DisplayText(r.szPath).c_str());
    }
}

void PrintUninstaller(const SetupInspection& inspection) {
    PrintOut("uninstaller: %llu bytes, %lld stored", static_cast<unsigned long long>(inspection.uninstallerSize),
             static_cast<long long>(inspection.package.m_nUninstallerSize));
    if (!inspection.uninstallerKind.empty()) {
        PrintOut(", %s, CRC-32 %s", inspection.uninstallerKind.c_str(), UninstallerCrc(inspection).c_str());
    }
    PrintOut("\n");
}

void PrintStatus(const PackageStatus& status) {
    if (status.sound()) {
        PrintOut("package: sound\n");
    } else {
        PrintOut("package: %s at %s: %s (byte %llu)\n", StateName(status.state), status.where.c_str(),
                 status.reason.c_str(), static_cast<unsigned long long>(status.offset));
    }
}

}  // namespace

void PrintNames(const NameReport& names) {
    for (const std::string& line : names.refused) {
        PrintOut("refused by the setup: %s\n", line.c_str());
    }
    for (const std::string& line : names.notes) {
        PrintOut("note (the setup installs it, vozpack build refuses it): %s\n", line.c_str());
    }
}

nlohmann::json ListingJson(const SetupInspection& inspection) { return JsonListing(inspection).Run(); }

void PrintListing(const SetupInspection& inspection) {
    const CPackageInfo& p = inspection.package;
    HeaderLines header;
    layout::WalkHeader(header, p);
    PrintScreens(p);
    PrintFolders(inspection);
    PrintTables(p);
    PrintUninstaller(inspection);
    PrintNames(inspection.names);
    PrintStatus(p.m_status);
}

}  // namespace voz
