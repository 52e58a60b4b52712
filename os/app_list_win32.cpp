#include <windows.h>

#include <optional>
#include <utility>

#include "os/app_list.h"
#include "os/app_list_key.h"
#include "os/text_encoding.h"

namespace voz::os {

namespace {

LONG SetText(HKEY key, const wchar_t* name, std::string_view gbk) {
    std::optional<std::wstring> value = GbkToWide(gbk);
    if (!value) {
        return ERROR_NO_UNICODE_TRANSLATION;
    }
    const auto bytes = static_cast<DWORD>((value->size() + 1) * sizeof(wchar_t));
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value->c_str()), bytes);
}

LONG SetNumber(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG SetValues(HKEY key, const AppListEntry& entry) {
    const std::pair<const wchar_t*, const std::string*> texts[] = {
        {L"DisplayName", &entry.displayName}, {L"DisplayVersion", &entry.displayVersion},
        {L"Publisher", &entry.publisher},     {L"InstallLocation", &entry.installLocation},
        {L"DisplayIcon", &entry.displayIcon}, {L"UninstallString", &entry.uninstallString}};
    const std::pair<const wchar_t*, DWORD> numbers[] = {
        {L"EstimatedSize", entry.estimatedSizeKb}, {L"NoModify", 1}, {L"NoRepair", 1}};
    for (const auto& [name, text] : texts) {
        if (LONG status = SetText(key, name, *text); status != ERROR_SUCCESS) {
            return status;
        }
    }
    for (const auto& [name, number] : numbers) {
        if (LONG status = SetNumber(key, name, number); status != ERROR_SUCCESS) {
            return status;
        }
    }
    return ERROR_SUCCESS;
}

}  // namespace

bool WriteAppListEntry(const AppListEntry& entry, uint32_t& error) {
    std::optional<std::wstring> path = AppListEntryKey(entry.key);
    if (!path) {
        error = ERROR_NO_UNICODE_TRANSLATION;
        return false;
    }
    HKEY key;
    LONG status =
        RegCreateKeyExW(HKEY_CURRENT_USER, path->c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status == ERROR_SUCCESS) {
        status = SetValues(key, entry);
        RegCloseKey(key);
    }
    error = static_cast<uint32_t>(status);
    return status == ERROR_SUCCESS;
}

}  // namespace voz::os
