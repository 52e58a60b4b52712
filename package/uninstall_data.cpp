#include "package/uninstall_data.h"

#include "package/package_layout.h"
#include "package/wire.h"

namespace voz {

bool WriteUninstallTable(const UninstallTable& table, OutputStream& out) {
    layout::WireWriter writer(out);
    return layout::WalkUninstallTable(writer, table);
}

bool WriteInstallLog(const InstallLog& log, OutputStream& out) {
    MemoryOutput body;
    bool ok = WritePackageString(log.appListKey, body) && WritePackageU32(static_cast<uint32_t>(log.folders.size()), body);
    for (const std::string& folder : log.folders) {
        ok = ok && WritePackageString(folder, body);
    }
    ok = ok && WritePackageU32(static_cast<uint32_t>(log.files.size()), body);
    for (const std::string& file : log.files) {
        ok = ok && WritePackageString(file, body);
    }
    const std::vector<uint8_t>& bytes = body.Bytes();
    return ok && out.Write(kInstallLogMarker, sizeof kInstallLogMarker) &&
           WritePackageU32(static_cast<uint32_t>(bytes.size()), out) &&
           WritePackageU32(Crc32(bytes.data(), bytes.size()), out) && out.Write(bytes.data(), bytes.size());
}

}  // namespace voz
