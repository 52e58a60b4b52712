// The per-user entry in Windows' list of installed apps (the current user's
// Uninstall key), which needs no administrator rights. Texts are GBK.
// Windows only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace voz::os {

struct AppListEntry {
    std::string key;  // the entry's key name under the Uninstall key
    std::string displayName;
    std::string displayVersion;
    std::string publisher;
    std::string installLocation;
    std::string displayIcon;
    std::string uninstallString;
    uint32_t estimatedSizeKb = 0;
};

// Creates or replaces the entry. On failure `error` holds the code of the
// call that failed (the registry returns its codes instead of setting the
// thread's last error).
bool WriteAppListEntry(const AppListEntry& entry, uint32_t& error);
// The entry's InstallLocation; false when there is no such entry.
bool ReadAppListLocation(std::string_view key, std::string& location);
// Deletes the entry; true when it is gone, also when it was never there.
bool RemoveAppListEntry(std::string_view key);

}  // namespace voz::os
