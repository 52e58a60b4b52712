#include "os/code_signature.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

namespace voz::os {

namespace {

// The program's own headers, as mapped, tell whether its file has a
// certificate table; only then is the trust provider loaded at all.
bool ProgramHasCertificateTable() {
    auto* base = reinterpret_cast<const unsigned char*>(GetModuleHandleW(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    return nt->OptionalHeader.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_SECURITY &&
           nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY].Size > 0;
}

// wintrust.dll, loaded by its full path in the system folder.
HMODULE LoadTrustProvider() {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH - 16);
    if (length == 0 || length >= MAX_PATH - 16) {
        return nullptr;
    }
    lstrcpyW(path + length, L"\\wintrust.dll");
    return LoadLibraryW(path);
}

// The trust provider's verdict on a signed file; false when there is no
// provider to ask.
bool VerifyTrust(const std::wstring& path, LONG& result) {
    HMODULE wintrust = LoadTrustProvider();
    if (wintrust == nullptr) {
        return false;
    }
    using WinVerifyTrustFn = LONG(WINAPI*)(HWND, GUID*, LPVOID);
    FARPROC address = GetProcAddress(wintrust, "WinVerifyTrust");
    if (address != nullptr) {
        WINTRUST_FILE_INFO file = {};
        file.cbStruct = sizeof file;
        file.pcwszFilePath = path.c_str();
        WINTRUST_DATA data = {};
        data.cbStruct = sizeof data;
        data.dwUIChoice = WTD_UI_NONE;
        data.fdwRevocationChecks = WTD_REVOKE_NONE;
        data.dwUnionChoice = WTD_CHOICE_FILE;
        data.pFile = &file;
        data.dwStateAction = WTD_STATEACTION_IGNORE;
        data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;  // no network: only the digest matters here
        GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
        result = reinterpret_cast<WinVerifyTrustFn>(reinterpret_cast<void*>(address))(
            static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    }
    FreeLibrary(wintrust);
    return address != nullptr;
}

}  // namespace

SignatureState ProgramSignature(const std::wstring& programPath) {
    if (!ProgramHasCertificateTable()) {
        return SignatureState::kUnsigned;
    }
    LONG result = ERROR_SUCCESS;
    if (!VerifyTrust(programPath, result)) {
        return SignatureState::kNotChecked;
    }
    return result == TRUST_E_BAD_DIGEST ? SignatureState::kDigestBroken : SignatureState::kDigestMatches;
}

bool SignatureDigestBroken(const std::wstring& path) {
    LONG result = ERROR_SUCCESS;
    return VerifyTrust(path, result) && result == TRUST_E_BAD_DIGEST;
}

}  // namespace voz::os
