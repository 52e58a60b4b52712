#include "package/uninstall_data.h"

#include "package/package_layout.h"
#include "package/wire.h"

namespace voz {

namespace {

bool WriteLoggedFile(const LoggedFile& file, OutputStream& out) {
    const uint8_t recorded = file.content ? kContentRecorded : kContentNotRecorded;
    if (!WritePackageString(file.path, out) || !out.Write(&recorded, 1)) {
        return false;
    }
    return !file.content || (WritePackageU32(static_cast<uint32_t>(file.content->size), out) &&
                             WritePackageU32(static_cast<uint32_t>(file.content->size >> 32), out) &&
                             WritePackageU32(file.content->crc, out));
}

}  // namespace

bool WriteUninstallTable(const UninstallTable& table, OutputStream& out) {
    layout::WireWriter writer(out);
    return layout::WalkUninstallTable(writer, table);
}

bool WriteInstallLog(const InstallLog& log, OutputStream& out) {
    MemoryOutput body;
    bool ok =
        WritePackageString(log.appListKey, body) && WritePackageU32(static_cast<uint32_t>(log.folders.size()), body);
    for (const std::string& folder : log.folders) {
        ok = ok && WritePackageString(folder, body);
    }
    ok = ok && WritePackageU32(static_cast<uint32_t>(log.files.size()), body);
    for (const LoggedFile& file : log.files) {
        ok = ok && WriteLoggedFile(file, body);
    }
    const std::vector<uint8_t>& bytes = body.Bytes();
    return ok && out.Write(kInstallLogMarker, sizeof kInstallLogMarker) &&
           WritePackageU32(static_cast<uint32_t>(bytes.size()), out) &&
           WritePackageU32(Crc32(bytes.data(), bytes.size()), out) && out.Write(bytes.data(), bytes.size());
}

}  // namespace voz
