// The two moments at which setup touches the installed client's settings
// files: after extraction (load Voz.ini, record the order software in
// 2nd_voz.ini) and on Finish (save Voz.ini). The install folder is GBK text
// as the user confirmed it; the paths are that text followed by "\Voz.ini"
// or "\2nd_voz.ini", by plain concatenation. An empty install folder names
// no file: the operations below then touch nothing and return kBadPath.
#pragma once

#include <string>
#include <string_view>

#include "os/native_path.h"
#include "settings/client_settings.h"
#include "settings/ini_file.h"

namespace voz {

inline constexpr std::string_view kSettingsFileName = "Voz.ini";
inline constexpr std::string_view kSecondSettingsFileName = "2nd_voz.ini";

// Entries of the order software list; MainTrade holds the selected position.
inline constexpr int kOrderSoftwareCount = 4;

// installFolder + "\" + fileName, as GBK text. A folder that already ends in
// a backslash gives two in a row, as the client's own paths do.
std::string SettingsFilePath(std::string_view installFolder, std::string_view fileName);

// The MainTrade text for a position of the order software list: the position
// as one decimal digit, or "0" without a selection (-1) or out of range.
std::string MainTradeText(int listPosition);

// After extraction: loads Voz.ini from the install folder into the record
// (defaults for whatever is missing).
IniStatus LoadClientSettings(CClientSettings& settings, std::string_view installFolder);

// After extraction: writes MainTrade into section SYSTEM of 2nd_voz.ini,
// creating the file or section when missing and keeping everything else.
IniStatus WriteMainTrade(std::string_view installFolder, int listPosition);

// On Finish: saves the whole record into Voz.ini in the install folder.
IniStatus SaveClientSettings(CClientSettings& settings, std::string_view installFolder);

}  // namespace voz
