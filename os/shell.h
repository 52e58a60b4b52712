// The Windows shell: special folders and shell-link (.lnk) files.
#pragma once

#include <string>

namespace voz::os {

// The path of a special folder by its shell folder identifier (CSIDL); false,
// with path untouched, when the shell cannot tell.
bool GetSpecialFolder(int csidl, std::wstring& path);

// Saves a shell link at `link` that starts `target` in `workingFolder` and
// shows icon 0 of `icon`. Initialises the component library for the calling
// thread for the time of the call.
bool CreateShellLink(const std::wstring& link, const std::wstring& target, const std::wstring& workingFolder,
                     const std::wstring& icon);

}  // namespace voz::os
