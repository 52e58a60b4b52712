// The registry key of an app-list entry, shared by its writing and its removal. Windows only.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace voz::os {

// The entry's key under HKEY_CURRENT_USER; nothing when the name is empty,
// not GBK, or holds a backslash, which would name a key further down.
std::optional<std::wstring> AppListEntryKey(std::string_view key);

}  // namespace voz::os
