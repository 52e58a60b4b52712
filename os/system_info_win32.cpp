#include "os/system_info.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "os/text_encoding.h"
#include "os/text_parts.h"

namespace voz::os {

FileTime LocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FileTime time;
    static_assert(sizeof time == sizeof now);
    std::memcpy(&time, &now, sizeof time);
    return time;
}

std::string CommandLine() { return WideToUtf8(GetCommandLineW()); }

std::string SystemDescription() {
    // GetVersionEx answers with the version the program's manifest declares
    // support for; ntdll's RtlGetVersion tells the truth.
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    FARPROC query = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (query != nullptr) {
        reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void*>(query))(&version);
    }
    return Joined({"Windows ", Decimal(version.dwMajorVersion), ".", Decimal(version.dwMinorVersion), ".",
                   Decimal(version.dwBuildNumber), ", code page ", Decimal(GetACP())});
}

void KeepErrorWindowsAway() {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    _set_error_mode(_OUT_TO_STDERR);
}

}  // namespace voz::os
