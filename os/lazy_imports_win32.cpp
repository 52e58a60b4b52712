// The setup's and the uninstaller's functions from comctl32, ole32 and shell32, bound at their first
// call instead of when the program starts. A DLL imported the usual way is
// loaded, with every DLL it imports in turn, before the program's first
// instruction runs, and is searched for first in the program's own folder.
// These three are loaded by their full path in the system folder, after the
// program has restricted the DLL search (os/dll_search.h), so neither they nor
// what they import can come from beside the program. (Only kernel32, user32,
// gdi32 and msvcrt, without which no program starts, stay ordinary imports.)
//
// Each function is reached through the import slot that the compiler's calls
// use (__imp_NAME, for i686 __imp__NAME@ARGBYTES); defining the slots here
// keeps the import libraries' slots out of the program. A slot first holds a
// binder that loads the DLL, stores the real address in the slot and calls it.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

namespace {

HMODULE LoadSystemDll(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH - 32);
    if (length == 0 || length >= MAX_PATH - 32) {
        return nullptr;
    }
    path[length] = L'\\';
    lstrcpyW(path + length + 1, name);
    return LoadLibraryW(path);
}

// A system DLL without a function the program needs: nothing sensible can follow.
FARPROC Bind(const wchar_t* dll, const char* function) {
    HMODULE module = LoadSystemDll(dll);
    FARPROC address = module != nullptr ? GetProcAddress(module, function) : nullptr;
    if (address == nullptr) {
        FatalAppExitW(0, dll);
    }
    return address;
}

}  // namespace

#if defined(__i386__)
#define VOZ_IMPORT_SLOT(name, argBytes) "__imp__" #name "@" #argBytes
#else
#define VOZ_IMPORT_SLOT(name, argBytes) "__imp_" #name
#endif

#define VOZ_LAZY_IMPORT(dll, result, name, argBytes, params, args)                                        \
    extern "C" result(WINAPI* slot_##name) params __asm__(VOZ_IMPORT_SLOT(name, argBytes));               \
    static result WINAPI Bind_##name params {                                                             \
        slot_##name = reinterpret_cast<decltype(slot_##name)>(reinterpret_cast<void*>(Bind(dll, #name))); \
        return slot_##name args;                                                                          \
    }                                                                                                     \
    result(WINAPI* slot_##name) params = Bind_##name;

VOZ_LAZY_IMPORT(L"comctl32.dll", BOOL, InitCommonControlsEx, 4, (const INITCOMMONCONTROLSEX* controls), (controls))
VOZ_LAZY_IMPORT(L"comctl32.dll", INT_PTR, PropertySheetW, 4, (LPCPROPSHEETHEADERW header), (header))
VOZ_LAZY_IMPORT(L"ole32.dll", HRESULT, CoCreateInstance, 20,
                (REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid, LPVOID* object),
                (clsid, outer, context, iid, object))
VOZ_LAZY_IMPORT(L"ole32.dll", HRESULT, CoInitialize, 4, (LPVOID reserved), (reserved))
VOZ_LAZY_IMPORT(L"ole32.dll", void, CoTaskMemFree, 4, (LPVOID memory), (memory))
VOZ_LAZY_IMPORT(L"ole32.dll", void, CoUninitialize, 0, (), ())
VOZ_LAZY_IMPORT(L"shell32.dll", LPWSTR*, CommandLineToArgvW, 8, (LPCWSTR commandLine, int* count), (commandLine, count))
VOZ_LAZY_IMPORT(L"shell32.dll", PIDLIST_ABSOLUTE, SHBrowseForFolderW, 4, (LPBROWSEINFOW browse), (browse))
VOZ_LAZY_IMPORT(L"shell32.dll", HRESULT, SHGetMalloc, 4, (IMalloc * *malloc), (malloc))
VOZ_LAZY_IMPORT(L"shell32.dll", BOOL, SHGetPathFromIDListW, 8, (PCIDLIST_ABSOLUTE item, LPWSTR path), (item, path))
VOZ_LAZY_IMPORT(L"shell32.dll", HRESULT, SHGetSpecialFolderLocation, 12,
                (HWND owner, int folder, PIDLIST_ABSOLUTE* item), (owner, folder, item))
