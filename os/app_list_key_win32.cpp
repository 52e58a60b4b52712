#include "os/app_list_key.h"

#include "os/text_encoding.h"

namespace voz::os {

std::optional<std::wstring> AppListEntryKey(std::string_view key) {
    std::optional<std::wstring> name = GbkToWide(key);
    if (!name || name->empty() || name->find(L'\\') != std::wstring::npos) {
        return std::nullopt;
    }
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + *name;
}

}  // namespace voz::os
