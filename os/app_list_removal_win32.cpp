// Reading and deleting the app-list entry: the uninstaller's side, kept apart
// from the setup's writing so that the setup stub links none of it.
#include <windows.h>

#include "os/app_list.h"
#include "os/app_list_key.h"
#include "os/text_encoding.h"

namespace voz::os {

bool ReadAppListLocation(std::string_view key, std::string& location) {
    std::optional<std::wstring> path = AppListEntryKey(key);
    wchar_t value[MAX_PATH + 1] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    if (!path || RegGetValueW(HKEY_CURRENT_USER, path->c_str(), L"InstallLocation", RRF_RT_REG_SZ, nullptr, value,
                              &bytes) != ERROR_SUCCESS) {
        return false;
    }
    std::optional<std::string> gbk = WideToGbk(value);
    location = gbk.value_or("");
    return gbk.has_value();
}

bool RemoveAppListEntry(std::string_view key) {
    std::optional<std::wstring> path = AppListEntryKey(key);
    if (!path) {
        return false;
    }
    LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, path->c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace voz::os
