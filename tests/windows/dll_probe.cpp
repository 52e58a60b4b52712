// Loads a DLL by its bare name, as any program may at run time:
//   dll_probe open|restricted NAME.dll
// "restricted" first restricts the DLL search as the setup does at start-up.
// Exit status 0 when a DLL of that name loaded (from wherever), 1 when none
// did, 2 on bad usage; the planted DLL tells where by its marker.
#include <windows.h>

#include <string>

#include "os/dll_search.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        return 2;
    }
    const std::wstring mode = argv[1];
    if (mode == L"restricted") {
        voz::os::RestrictDllSearchToSystem();
    } else if (mode != L"open") {
        return 2;
    }
    return LoadLibraryW(argv[2]) != nullptr ? 0 : 1;
}
