#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "os/shell.h"

namespace voz::os {

namespace {

// Releases a COM interface when it goes out of scope.
template <typename T>
struct Releaser {
    T* p = nullptr;
    ~Releaser() {
        if (p != nullptr) {
            p->Release();
        }
    }
};

}  // namespace

bool GetSpecialFolder(int csidl, std::wstring& path) {
    Releaser<IMalloc> allocator;
    if (FAILED(SHGetMalloc(&allocator.p))) {
        return false;
    }
    LPITEMIDLIST items = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &items))) {
        return false;
    }
    wchar_t buffer[MAX_PATH] = {};
    bool ok = SHGetPathFromIDListW(items, buffer) != FALSE;
    allocator.p->Free(items);
    if (ok) {
        path = buffer;
    }
    return ok;
}

bool CreateShellLink(const std::wstring& link, const std::wstring& target, const std::wstring& workingFolder,
                     const std::wstring& icon) {
    HRESULT init = CoInitialize(nullptr);
    bool saved = false;
    {
        Releaser<IShellLinkW> shellLink;
        Releaser<IPersistFile> file;
        if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                       reinterpret_cast<void**>(&shellLink.p))) &&
            SUCCEEDED(shellLink.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p)))) {
            shellLink.p->SetPath(target.c_str());
            shellLink.p->SetWorkingDirectory(workingFolder.c_str());
            shellLink.p->SetIconLocation(icon.c_str(), 0);
            saved = SUCCEEDED(file.p->Save(link.c_str(), TRUE));
        }
    }
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return saved;
}

}  // namespace voz::os
