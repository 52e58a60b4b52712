// Reads the settings record from arbitrary files: the record must survive its
// own save, so reading the saved record gives the record that was saved.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/client_settings.h"
#include "settings/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace voz;
    CIniFile ini;
    if (ini.Parse(std::string(reinterpret_cast<const char*>(data), size)) != IniStatus::kOk) {
        return 0;
    }
    CClientSettings saved;
    saved.ReadFrom(ini);
    saved.WriteTo(ini);
    CClientSettings reread;
    reread.ReadFrom(ini);
    // Choices are written as flags; everything else reads back as it was saved.
    saved.DeltaNewShowRG = saved.DeltaNewShowRG != 0 ? 1 : 0;
    saved.ORDERBOARDTYPE = saved.ORDERBOARDTYPE != 0 ? 1 : 0;
    if (std::memcmp(&saved, &reread, sizeof saved) != 0) {
        std::abort();
    }
    return 0;
}
