#include "settings/settings_commit.h"

#include "os/gbk_path.h"

namespace voz {

namespace {

constexpr char kMainTradeSection[] = "SYSTEM";
constexpr char kMainTradeKey[] = "MainTrade";

// The native path of a settings file in the install folder. An empty folder
// gives none: "\Voz.ini" would name a file at the root of the current drive.
bool SettingsFile(std::string_view installFolder, std::string_view fileName, os::NativePath& out) {
    return !installFolder.empty() && gbk::ToNativePath(SettingsFilePath(installFolder, fileName), out);
}

}  // namespace

std::string SettingsFilePath(std::string_view installFolder, std::string_view fileName) {
    std::string path(installFolder);
    path.append("\\").append(fileName);
    return path;
}

std::string MainTradeText(int listPosition) {
    if (listPosition < 0 || listPosition >= kOrderSoftwareCount) {
        listPosition = 0;
    }
    return std::string(1, static_cast<char>('0' + listPosition));
}

IniStatus LoadClientSettings(CClientSettings& settings, std::string_view installFolder) {
    os::NativePath path;
    if (!SettingsFile(installFolder, kSettingsFileName, path)) {
        settings.ReadFrom(CIniFile());
        return IniStatus::kBadPath;
    }
    return settings.Load(path);
}

IniStatus WriteMainTrade(std::string_view installFolder, int listPosition) {
    os::NativePath path;
    if (!SettingsFile(installFolder, kSecondSettingsFileName, path)) {
        return IniStatus::kBadPath;
    }
    CIniFile file;
    IniStatus status = file.Load(path);
    if (status == IniStatus::kOk) {
        status = file.SetString(kMainTradeSection, kMainTradeKey, MainTradeText(listPosition));
    }
    if (status == IniStatus::kOk && file.Modified()) {
        status = file.Save(path);
    }
    return status;
}

IniStatus SaveClientSettings(CClientSettings& settings, std::string_view installFolder) {
    os::NativePath path;
    if (!SettingsFile(installFolder, kSettingsFileName, path)) {
        return IniStatus::kBadPath;
    }
    return settings.Save(path);
}

}  // namespace voz
