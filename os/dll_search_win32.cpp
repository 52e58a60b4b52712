#include "os/dll_search.h"

#include <windows.h>

namespace voz::os {

void RestrictDllSearchToSystem() {
    // SetDefaultDllDirectories came with Windows 8 (and an update of Windows 7);
    // it is looked up at run time so that the program still starts without it.
    // With it, a DLL named without a path is searched for in the system folder
    // only, never in the program's folder.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    FARPROC address = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
    if (address != nullptr) {
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(address))(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    // Takes the current folder out of the search, which is all that is left to
    // do where the call above is missing.
    SetDllDirectoryW(L"");
}

}  // namespace voz::os
