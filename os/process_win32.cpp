#include <windows.h>

#include <shellapi.h>

#include "os/process.h"
#include "os/text_encoding.h"

namespace voz::os {

namespace {

DWORD WINAPI RunWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(WideToUtf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

NativePath ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // cut short: try a larger buffer
    }
}

unsigned long ProcessId() { return GetCurrentProcessId(); }

unsigned ProcessorCount() {
    DWORD count = GetActiveProcessorCount(ALL_PROCESSOR_GROUPS);
    return count > 0 ? count : 1;
}

void RunOnThreads(unsigned threads, const std::function<void()>& work) {
    std::vector<HANDLE> pool;
    for (unsigned t = 1; t < threads; ++t) {
        HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
        if (thread == nullptr) {
            break;  // no more threads: the ones running share the work
        }
        pool.push_back(thread);
    }
    work();
    for (HANDLE thread : pool) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
}

}  // namespace voz::os
