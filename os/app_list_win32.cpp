#include <windows.h>

#include <optional>

#include "os/app_list.h"
#include "os/app_list_key.h"
#include "os/text_encoding.h"

namespace voz::os {

namespace {

bool SetText(HKEY key, const wchar_t* name, std::string_view gbk) {
    std::optional<std::wstring> value = GbkToWide(gbk);
    if (!value) {
        return false;
    }
    const auto bytes = static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()), bytes) == ERROR_SUCCESS;
}

bool SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
           ERROR_SUCCESS;
}

}  // namespace

bool WriteAppListEntry(const AppListEntry& entry) {
    std::optional<std::wstring> path = AppListEntryKey(entry.key);
    HKEY key;
    if (!path || RegCreateKeyExW(HKEY_CURRENT_USER, path->c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                                 nullptr) != ERROR_SUCCESS) {
        return false;
    }
    bool ok = SetText(key, L"DisplayName", entry.displayName) && SetText(key, L"DisplayVersion", entry.displayVersion) &&
              SetText(key, L"Publisher", entry.publisher) && SetText(key, L"InstallLocation", entry.installLocation) &&
              SetText(key, L"DisplayIcon", entry.displayIcon) && SetText(key, L"UninstallString", entry.uninstallString) &&
              SetNumber(key, L"EstimatedSize", entry.estimatedSizeKb) && SetNumber(key, L"NoModify", 1) &&
              SetNumber(key, L"NoRepair", 1);
    RegCloseKey(key);
    return ok;
}

}  // namespace voz::os
