// Reads arbitrary bytes as an uninstaller with its appended data: as a whole
// program file (PE headers first) and as bare data after the image. Whatever
// is read must keep the reader's limits, and a sound log must survive being
// written again unchanged.
#include <cstdint>
#include <cstdlib>

#include "package/package_format.h"
#include "package/uninstall_data.h"

namespace {

void CheckLimits(const voz::UninstallData& data) {
    using namespace voz;
    if (data.table.title.size() >= kNameField || data.table.version.size() >= kNameField ||
        data.table.links.size() > kMaxShortcuts || data.table.group.size() >= kPathField) {
        std::abort();
    }
    if (data.state != UninstallDataState::kSound) {
        return;
    }
    MemoryOutput written;
    WriteInstallLog(data.log, written);
    // The log alone is not a table: read it back behind an empty one.
    static const uint8_t kEmptyTable[16] = {};
    MemoryOutput framed;
    framed.Write(kEmptyTable, sizeof kEmptyTable);
    framed.Write(written.Bytes().data(), written.Bytes().size());
    MemoryInput reread(framed.Bytes().data(), framed.Bytes().size());
    UninstallData copy = ReadUninstallDataAt(reread, 0);
    if (copy.state != UninstallDataState::kSound || copy.log.files != data.log.files ||
        copy.log.folders != data.log.folders || copy.log.appListKey != data.log.appListKey) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    voz::MemoryInput program(data, size);
    CheckLimits(voz::ReadUninstallData(program));
    voz::MemoryInput bare(data, size);
    CheckLimits(voz::ReadUninstallDataAt(bare, 0));
    return 0;
}
