// Drives the real setup program and its uninstaller as a user would and
// checks what they show, install and remove. Test-only. Each scenario is a
// short list of steps in a small vocabulary (the Wizard's Next, Back, Type,
// Pick, Shot, ExpectMessage; the uninstaller's runs and answers); what a
// scenario covers is said above its function.
//
//   setup_driver install|variant|unsaved|nogroup|upgrade SETUP.exe WORK-DIR SOURCE-DIR
//   setup_driver interrupted SETUP.exe WORK-DIR SOURCE-DIR DRIVE
//   setup_driver demo|signed SETUP.exe WORK-DIR SOURCE-DIR FOLDER
//   setup_driver broken SETUP.exe WORK-DIR STUB.exe
//   setup_driver uninstall-planted SETUP.exe WORK-DIR PLANTED-DIR
//   setup_driver silent SETUP.exe WORK-DIR SOURCE-DIR FOLDER   (on no display; WORK-DIR holds signed-setup.exe)
//   setup_driver silent-compare SETUP.exe WORK-DIR SOURCE-DIR FOLDER
//   setup_driver quit|folders|nofolder|uninstall SETUP.exe WORK-DIR
//   setup_driver time SETUP.exe WORK-DIR FOLDER         (for bench/install_bench.sh)
//   setup_driver startup SETUP.exe WORK-DIR              (for bench/startup_bench.sh)
//   setup_driver run-timed PROGRAM.exe WORK-DIR "ARGUMENTS"
//
// SOURCE-DIR is the client tree the package was made from. WORK-DIR receives
// NAME.request files, which the script that runs the driver turns into
// screenshots of the display, NAME.png, deleting the request; the scenarios
// also write their altered setups there. Expected values come from the
// package itself, read with the package loader, and from the texts the setup
// is specified to show.
//
// Prints one line per failed check and "N passed, N failed"; exits non-zero
// when anything failed.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <psapi.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "check_tally.h"
#include "os/text_encoding.h"
#include "os/file.h"
#include "package/install_paths.h"
#include "package/package_loader.h"
#include "package/uninstall_data.h"
#include "settings/client_settings.h"
#include "settings/ini_file.h"
#include "package/install_styles.h"
#include "settings/page_fields.h"

namespace {

using voz::CPackageInfo;

using voz::test::Check;
bool g_underWine = false;
std::wstring g_shotDir;

std::string Utf8(const std::wstring& wide) { return voz::os::WideToUtf8(wide); }

bool CheckText(const std::wstring& actual, const std::wstring& expected, const std::string& what) {
    return Check(actual == expected, what + ": \"" + Utf8(actual) + "\", expected \"" + Utf8(expected) + "\"");
}

std::wstring Wide(std::string_view gbk) { return voz::os::GbkToWide(gbk).value_or(L"<not GBK>"); }

template <size_t N>
std::wstring Field(const char (&field)[N]) {
    return Wide(voz::FieldText(field));
}

// Polls a condition every `pollMs` until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000, DWORD pollMs = 10) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(pollMs);
    }
    return true;
}

// ---- Windows of another process ----

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    if (window == nullptr || !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return L"<no window>";
    }
    std::wstring text(length + 1, L'\0');
    text.resize(static_cast<size_t>(Send(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

// The text of a message box.
std::wstring MessageText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

bool IsDialog(HWND window) { return ClassName(window) == L"#32770"; }

// True when one of the window's children shows `text`.
bool HasChildText(HWND window, const std::wstring& text) {
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        if (Text(child) == text) {
            return true;
        }
    }
    return false;
}

// Clicks are posted: a button that runs a modal loop would keep a sent click
// from returning until that loop ends.
void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

struct WindowSearch {
    DWORD process;
    const std::function<bool(HWND)>* condition;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->process && IsWindowVisible(window) && (*search->condition)(window)) {
        search->found.push_back(window);
    }
    return TRUE;
}

// The visible top-level windows of a process that satisfy a condition.
std::vector<HWND> TopWindows(DWORD process, const std::function<bool(HWND)>& condition) {
    WindowSearch search{process, &condition, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitTopWindow(DWORD process, const std::function<bool(HWND)>& condition, DWORD timeoutMs = 15000,
                   DWORD pollMs = 10) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> windows = TopWindows(process, condition);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeoutMs, pollMs);
    return found;
}

std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> entries;
    const LRESULT count = Send(combo, CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring entry(static_cast<size_t>(Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i))) + 1, L'\0');
        entry.resize(static_cast<size_t>(
            Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()))));
        entries.push_back(entry);
    }
    return entries;
}

bool IsList(HWND control) { return ClassName(control) == L"ComboBox"; }

// What a check box (0 or 1) or a list (the selected index or -1) shows.
int Shown(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    return IsList(control) ? static_cast<int>(Send(control, CB_GETCURSEL))
                           : (Send(control, BM_GETCHECK) == BST_CHECKED ? 1 : 0);
}

// Sets a check box or a list as the user would leave it.
void SetShown(HWND page, int id, int value) {
    HWND control = GetDlgItem(page, id);
    Send(control, IsList(control) ? CB_SETCURSEL : BM_SETCHECK,
         static_cast<WPARAM>(IsList(control) ? value : (value != 0 ? BST_CHECKED : BST_UNCHECKED)));
}

// Types text into an edit control in place of what it holds, one character
// message at a time as the keyboard would deliver them.
void TypeInto(HWND edit, const std::wstring& text) {
    Send(edit, EM_SETSEL, 0, -1);
    Send(edit, WM_CHAR, VK_BACK, 1);
    for (wchar_t c : text) {
        Send(edit, WM_CHAR, c, 1);
    }
}

// Sends a message whose parameter points to memory: `buffer` is copied into
// the process that owns the window, the message points there, and the copy
// is read back. `place` fills the buffer once its address there is known.
bool SendThroughProcess(HWND window, UINT message, WPARAM wParam, std::vector<BYTE>& buffer,
                        const std::function<void(BYTE* remote)>& place = {}) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (process == nullptr) {
        return false;
    }
    auto* remote = static_cast<BYTE*>(VirtualAllocEx(process, nullptr, buffer.size(), MEM_COMMIT, PAGE_READWRITE));
    if (remote != nullptr && place) {
        place(remote);
    }
    const bool ok = remote != nullptr && WriteProcessMemory(process, remote, buffer.data(), buffer.size(), nullptr) &&
                    Send(window, message, wParam, reinterpret_cast<LPARAM>(remote)) &&
                    ReadProcessMemory(process, remote, buffer.data(), buffer.size(), nullptr);
    if (remote != nullptr) {
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return ok;
}

// ---- Screenshots ----

// Asks the script for a screenshot of the display once the window has been
// repainted, and waits until it is taken; none when `name` is null.
void Screenshot(HWND window, const wchar_t* name) {
    if (name == nullptr) {
        return;
    }
    if (window != nullptr) {
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
    Sleep(300);
    const std::wstring request = g_shotDir + L"\\" + name + L".request";
    HANDLE file = CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (!Check(file != INVALID_HANDLE_VALUE, "screenshot request " + Utf8(name))) {
        return;
    }
    CloseHandle(file);
    Check(WaitUntil([&] { return GetFileAttributesW(request.c_str()) == INVALID_FILE_ATTRIBUTES; }, 20000),
          "screenshot " + Utf8(name) + " taken");
}

// ---- Files ----

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<char> ReadAll(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), {});
}

std::string TextOf(const std::wstring& path) {
    const std::vector<char> bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

// The lines a support log must hold, each at the start of a line.
void CheckLogLines(const std::string& log, const std::vector<std::string>& starts, const std::string& what) {
    for (const std::string& start : starts) {
        Check(log.find("\r\n" + start) != std::string::npos || log.rfind(start, 0) == 0,
              what + ": a line \"" + start + "\" in\n" + log);
    }
}

bool WriteAll(const std::wstring& path, const std::vector<char>& bytes) {
    DeleteFileW(path.c_str());
    std::ofstream file(std::filesystem::path(path), std::ios::binary);
    return static_cast<bool>(file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush());
}

// Writes a copy of a file, cut short or extended with zeros to `size`
// bytes, with `bytes` written at `at`.
bool WriteVariant(const std::wstring& from, const std::wstring& to, size_t size, size_t at, const std::string& bytes) {
    std::vector<char> data = ReadAll(from);
    if (data.empty() || at + bytes.size() > size) {
        return false;
    }
    data.resize(size);
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<ptrdiff_t>(at));
    return WriteAll(to, data);
}

// The names of the files in `folder` that begin with `prefix` and end with `suffix`.
std::vector<std::wstring> FileNames(const std::wstring& folder, const std::wstring& prefix,
                                    const std::wstring& suffix) {
    std::vector<std::wstring> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder), error)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.size() >= prefix.size() + suffix.size() && name.rfind(prefix, 0) == 0 &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            names.push_back(name);
        }
    }
    return names;
}

// Removes a folder and everything in it, read-only files too.
void DeleteTree(const std::wstring& path) {
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(path), error)) {
        SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::filesystem::remove_all(std::filesystem::path(path), error);
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring Backslashed(std::wstring path) {
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// ---- What the package installs ----

std::wstring GroupFolder(const CPackageInfo& package) {
    return SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup);
}

std::wstring LinkPath(const CPackageInfo& package, const voz::PackageShortcut& record) {
    return (record.nPlace == voz::kPlaceDesktop ? SpecialFolder(CSIDL_DESKTOPDIRECTORY) : GroupFolder(package)) +
           L"\\" + Field(record.szLinkName);
}

bool IsRemoved(const CPackageInfo& package, const std::wstring& dir) {
    for (const voz::PackageRemove& record : package.m_removes) {
        const std::wstring remove = Field(record.szPath);
        if (dir == remove || dir.rfind(remove + L"\\", 0) == 0) {
            return true;
        }
    }
    return false;
}

struct PackagedFile {
    std::wstring relative;  // to the install folder
    const voz::PackageFile* record;
    bool removed;  // in a folder the package removes
};

std::vector<PackagedFile> PackagedFiles(const CPackageInfo& package) {
    std::vector<PackagedFile> files;
    for (const voz::PackageDir& dir : package.m_dirs) {
        const std::wstring name = Field(dir.szName);
        for (const voz::PackageFile& file : dir.files) {
            files.push_back(
                {(name.empty() ? L"" : name + L"\\") + Field(file.szName), &file, IsRemoved(package, name)});
        }
    }
    return files;
}

const std::wstring kAppListKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Removes what an installation of the package into `folder` leaves behind,
// and its app-list entry, so that the setup finds no earlier installation.
void CleanInstallation(const CPackageInfo& package, const std::wstring& folder) {
    DeleteTree(folder);
    RegDeleteKeyW(HKEY_CURRENT_USER, (kAppListKey + Field(package.m_szTitle)).c_str());
    for (const voz::PackageShortcut& record : package.m_shortcuts) {
        DeleteFileW(LinkPath(package, record).c_str());
    }
    RemoveDirectoryW(GroupFolder(package).c_str());
}

// True when no trace of an installation into `folder` exists.
bool NothingInstalled(const CPackageInfo& package, const std::wstring& folder) {
    bool found = Exists(folder) || Exists(GroupFolder(package));
    for (const voz::PackageShortcut& record : package.m_shortcuts) {
        found |= record.nPlace == voz::kPlaceDesktop && Exists(LinkPath(package, record));
    }
    return !found;
}

bool SameTime(const FILETIME& actual, const voz::PackageTime& expected) {
    SYSTEMTIME st;
    std::memcpy(&st, &expected, sizeof st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return CompareFileTime(&actual, &ft) == 0;
}

struct StyleCopy {
    std::wstring source, dest;
};

// The copy records of one style, in record order.
std::vector<StyleCopy> CopiesOf(const CPackageInfo& package, const std::wstring& style) {
    std::vector<StyleCopy> copies;
    for (const voz::PackageCopy& record : package.m_copies) {
        if (Field(record.szStyle) == style) {
            copies.push_back({Field(record.szSource), Field(record.szDest)});
        }
    }
    return copies;
}

// Checks every packaged file under `folder` against the source tree: its
// bytes and recorded times, or for the destination of one of the style's
// copies, the copied file's bytes; removed folders must be gone. The files
// in `rewritten` (the settings the setup saved afterwards) are checked by
// the caller.
void CheckInstalledTree(const CPackageInfo& package, const std::wstring& folder, const std::wstring& sourceDir,
                        const std::vector<StyleCopy>& copies, const std::vector<std::wstring>& rewritten = {}) {
    for (const voz::PackageDir& record : package.m_dirs) {
        const std::wstring dir = Field(record.szName);
        if (IsRemoved(package, dir)) {
            const std::wstring installedDir = dir.empty() ? folder : folder + L"\\" + dir;
            Check(!Exists(installedDir), "removed folder " + Utf8(installedDir) + " is gone");
        }
    }
    int files = 0;
    for (const PackagedFile& file : PackagedFiles(package)) {
        const std::wstring installed = folder + L"\\" + file.relative;
        if (file.removed) {
            continue;
        }
        ++files;
        if (std::find(rewritten.begin(), rewritten.end(), file.relative) != rewritten.end()) {
            continue;
        }
        if (std::any_of(copies.begin(), copies.end(), [&](const StyleCopy& c) { return c.dest == file.relative; })) {
            continue;
        }
        // Times first: reading the file moves its last-access time. Wine keeps
        // the creation time of the Unix file system, which cannot be set, so
        // the creation time is checked on Windows only.
        HANDLE h = CreateFileW(installed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME creation = {}, access = {}, write = {};
        GetFileTime(h, &creation, &access, &write);
        CloseHandle(h);
        Check(SameTime(write, file.record->stLastWrite) && SameTime(access, file.record->stLastAccess) &&
                  (g_underWine || SameTime(creation, file.record->stCreation)),
              "installed " + Utf8(file.relative) + " has the recorded times");
        Check(Exists(installed) && ReadAll(installed) == ReadAll(sourceDir + L"\\" + file.relative),
              "installed " + Utf8(file.relative) + " holds the source's bytes");
    }
    Check(files > 0, "the package installs files");
    // The chosen style's copies, in record order: the last copy onto a
    // destination decides its bytes.
    for (size_t i = 0; i < copies.size(); ++i) {
        const bool overwritten = std::any_of(copies.begin() + static_cast<ptrdiff_t>(i) + 1, copies.end(),
                                             [&](const StyleCopy& c) { return c.dest == copies[i].dest; });
        if (!overwritten && std::find(rewritten.begin(), rewritten.end(), copies[i].dest) == rewritten.end()) {
            Check(ReadAll(folder + L"\\" + copies[i].dest) == ReadAll(sourceDir + L"\\" + copies[i].source),
                  "style copy " + Utf8(copies[i].source) + " -> " + Utf8(copies[i].dest));
        }
    }
}

struct Link {
    std::wstring target, workingFolder, icon;
};

Link ReadLink(const std::wstring& path) {
    Link link;
    IShellLinkW* shellLink = nullptr;
    IPersistFile* file = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink)))) {
        return link;
    }
    if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            wchar_t text[3][MAX_PATH] = {};
            int index = 0;
            shellLink->GetPath(text[0], MAX_PATH, nullptr, 0);
            shellLink->GetWorkingDirectory(text[1], MAX_PATH);
            shellLink->GetIconLocation(text[2], MAX_PATH, &index);
            link = {Backslashed(text[0]), text[1], text[2]};
        }
        file->Release();
    }
    shellLink->Release();
    return link;
}

// Checks the links against the package's shortcut records, and the uninstall
// table and install log after the uninstaller's program image.
void CheckShortcutsAndUninstaller(const CPackageInfo& package, const std::wstring& folder) {
    std::vector<std::wstring> linkPaths;
    for (const voz::PackageShortcut& record : package.m_shortcuts) {
        const std::wstring link = LinkPath(package, record);
        linkPaths.push_back(link);
        const std::wstring target =
            folder + L"\\" + (record.szTarget[0] != '\0' ? Field(record.szTarget) : Field(package.m_szUninstaller));
        if (!Check(Exists(link), "shortcut " + Utf8(link) + " exists")) {
            continue;
        }
        const Link made = ReadLink(link);
        CheckText(made.workingFolder, target.substr(0, target.rfind(L'\\')), "working folder of " + Utf8(link));
        CheckText(made.icon, record.szIcon[0] != '\0' ? folder + L"\\" + Field(record.szIcon) : target,
                  "icon of " + Utf8(link));
        // Wine keeps a link's target path in the system's ANSI code page only;
        // where that code page cannot hold the path, Wine cannot read it back.
        if (!g_underWine || GetACP() == 936) {
            CheckText(made.target, target, "target of " + Utf8(link));
        }
    }
    voz::os::InputFile uninstaller;
    voz::UninstallData data;
    if (uninstaller.Open(folder + L"\\" + Field(package.m_szUninstaller))) {
        data = voz::ReadUninstallData(uninstaller);
    }
    Check(data.state == voz::UninstallDataState::kSound, "the uninstaller is a program followed by its table and log");
    Check(Wide(data.table.title) == Field(package.m_szTitle) &&
              Wide(data.table.version) == Field(package.m_szVersion) &&
              data.table.links.size() == package.m_shortcuts.size(),
          "uninstall data starts with title, version and shortcut count");
    for (size_t i = 0; i < data.table.links.size() && i < linkPaths.size(); ++i) {
        CheckText(Wide(data.table.links[i]), linkPaths[i], "uninstall data link " + std::to_string(i));
    }
    CheckText(Wide(data.table.group), GroupFolder(package), "uninstall data program group");
    Check(std::any_of(data.log.files.begin(), data.log.files.end(),
                      [](const voz::LoggedFile& file) { return file.path == "2nd_voz.ini" && !file.content; }),
          "the install log names the settings file written after the installation, its content not recorded");
}

int MainTrade(const std::wstring& folder) {
    return static_cast<int>(GetPrivateProfileIntW(L"SYSTEM", L"MainTrade", -1, (folder + L"\\2nd_voz.ini").c_str()));
}

// ---- The setup and its wizard ----

struct SetupRun {
    PROCESS_INFORMATION process = {};

    bool Start(const std::wstring& program, const std::wstring& arguments = L"") {
        STARTUPINFOW startup = {sizeof startup};
        std::wstring command = L"\"" + program + L"\" " + arguments;
        return CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process);
    }
    DWORD Id() const { return process.dwProcessId; }
    bool Ended(DWORD timeoutMs) const { return WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0; }
    // Ends a process the checks left running, so that one failure does not hang the run.
    ~SetupRun() {
        if (process.hProcess != nullptr) {
            if (!Ended(0)) {
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, 5000);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
};

// The wizard's pages, in order.
enum Page {
    kWelcomePage,
    kFolderPage,
    kStylePage,
    kOrderPage,
    kExtractPage,
    kToolbarPage,
    kOrderSettingsPage,
    kChartPage
};

// The wizard's buttons by the common controls' ids, and the ones each page
// shows as a mask of Back 1, Next 2, Finish 4.
constexpr int kButtonIds[] = {0x3023, 0x3024, 0x3025};
constexpr int kBack = kButtonIds[0], kNext = kButtonIds[1], kFinish = kButtonIds[2];
constexpr int kPageButtons[] = {2, 3, 3, 3, 3, 2, 3, 5};

int ActiveButtons(HWND sheet) {
    int mask = 0;
    for (int i = 0; i < 3; ++i) {
        HWND button = GetDlgItem(sheet, kButtonIds[i]);
        mask |= button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button) ? 1 << i : 0;
    }
    return mask;
}

std::string DescribeButtons(int mask) {
    return mask == 0 ? "none"
                     : std::string(mask & 1 ? "Back " : "") + (mask & 2 ? "Next " : "") + (mask & 4 ? "Finish" : "");
}

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(Send(sheet, PSM_GETCURRENTPAGEHWND)); }
HWND PageAt(HWND sheet, int index) { return reinterpret_cast<HWND>(Send(sheet, PSM_INDEXTOHWND, index)); }

int PageIndex(HWND sheet) {
    HWND page = CurrentPage(sheet);
    return page == nullptr ? -1 : static_cast<int>(Send(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page)));
}

// Waits for the wizard to show a page with its buttons (they are set by a
// posted message, so they settle a moment after the page appears).
bool ExpectPage(HWND sheet, int index, const std::string& what) {
    const int buttons = kPageButtons[index];
    const bool settled = WaitUntil([&] { return PageIndex(sheet) == index && ActiveButtons(sheet) == buttons; });
    return Check(settled, what + ": page " + std::to_string(PageIndex(sheet)) + " with " +
                              DescribeButtons(ActiveButtons(sheet)) + ", expected page " + std::to_string(index) +
                              " with " + DescribeButtons(buttons));
}

const std::wstring kMessageCaption = L"安装程序";
const std::vector<std::wstring> kOrderSoftware = {L"星捷(推荐使用)", L"金仕达客户端", L"恒生客户端", L"顶点客户端"};

// The choices made on the pages before the installation and the screenshots
// taken of the folder, style, order software and extraction pages (none
// where null).
struct Route {
    std::wstring folder;  // typed on the folder page; empty keeps the default
    int style = 0;        // picked from the style list
    int order = 0;        // picked from the order software list; CB_ERR picks none
    std::array<const wchar_t*, 4> shots = {};
};

// A setup run seen from the user's side: its welcome window and wizard
// sheet, and the steps a scenario takes on them.
struct Wizard {
    const CPackageInfo& package;
    SetupRun run;
    HWND welcome = nullptr;
    HWND sheet = nullptr;
    // The folder the folder page proposes: an earlier installation's; empty
    // for the package's default.
    std::wstring proposed;

    std::wstring Caption() const {
        return L"欢迎使用" + Field(package.m_szTitle) + L" " + Field(package.m_szVersion) + L" ";
    }
    // Starts the setup and waits for its welcome window.
    std::wstring arguments;  // the setup's command line after its name
    bool Start(const std::wstring& setup, const std::string& what = "setup starts") {
        if (!Check(run.Start(setup, arguments), what)) {
            return false;
        }
        welcome = WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && Text(w) == Caption(); });
        return Check(welcome != nullptr, what + ": welcome window with caption \"" + Utf8(Caption()) + "\"");
    }

    HWND Control(int id) const { return GetDlgItem(CurrentPage(sheet), id); }
    // Next or Back, whichever leads to page `index`.
    void Go(int index, const std::string& what) {
        Click(GetDlgItem(sheet, index > PageIndex(sheet) ? kNext : kBack));
        ExpectPage(sheet, index, what);
    }
    // One page at a time, forwards or back, to page `index`.
    void WalkTo(int index) {
        for (int i = PageIndex(sheet); i != index;) {
            i += i < index ? 1 : -1;
            Go(i, std::string(i > PageIndex(sheet) ? "Next" : "Back") + " to page " + std::to_string(i));
        }
    }
    void Next() { Click(GetDlgItem(sheet, kNext)); }
    // Types into the folder field, which then shows what was typed.
    void Type(const std::wstring& folder) {
        HWND field = GetDlgItem(PageAt(sheet, kFolderPage), 1000);
        TypeInto(field, folder);
        CheckText(Text(field), folder, "typed folder");
    }
    void Pick(int id, int entry) { SetShown(CurrentPage(sheet), id, entry); }
    void Shot(const wchar_t* name) { Screenshot(sheet, name); }
    HWND OtherWindow() const {
        std::vector<HWND> others = TopWindows(run.Id(), [&](HWND w) { return w != sheet; });
        return others.empty() ? nullptr : others.front();
    }

    // Starts the setup; its welcome window shows "开始安装" and "退出安装" and
    // has a task-bar button.
    bool StartChecked(const std::wstring& setup, const wchar_t* shot) {
        if (!Start(setup)) {
            return false;
        }
        CheckText(Text(GetDlgItem(welcome, IDOK)), L"开始安装", "welcome OK button");
        CheckText(Text(GetDlgItem(welcome, IDCANCEL)), L"退出安装", "welcome Cancel button");
        Check(GetWindowLongPtrW(welcome, GWL_EXSTYLE) & WS_EX_APPWINDOW, "welcome window has a task-bar button");
        Screenshot(welcome, shot);
        return true;
    }
    // "开始安装" opens the wizard with the same caption on its welcome page,
    // in place of the welcome window, without Cancel and Help buttons.
    bool OpenChecked(const wchar_t* shot) {
        Click(GetDlgItem(welcome, IDOK));
        sheet = WaitTopWindow(run.Id(), [&](HWND w) { return w != welcome && Text(w) == Caption(); });
        if (!Check(sheet != nullptr, "the wizard opens with the welcome caption")) {
            return false;
        }
        Check(!IsWindowVisible(welcome), "the welcome window is hidden while the wizard runs");
        Check(!IsWindowVisible(GetDlgItem(sheet, IDCANCEL)), "the wizard shows no Cancel button");
        Check(!IsWindowVisible(GetDlgItem(sheet, IDHELP)), "the wizard shows no Help button");
        ExpectPage(sheet, kWelcomePage, "welcome page");
        Shot(shot);
        return true;
    }
    bool Open(const std::wstring& setup, const wchar_t* welcomeShot = nullptr, const wchar_t* pageShot = nullptr) {
        return StartChecked(setup, welcomeShot) && OpenChecked(pageShot);
    }
    // Each page before the installation, reached with Next, shows what it
    // must: the folder proposed (the package's default unless an earlier
    // installation is expected) and "浏览"; the package's distinct
    // styles, the first preselected (none in a package without styles); the four order software, the package's
    // default preselected when it is one of them; no progress bar and no
    // status text yet.
    void FolderPage(const wchar_t* shot) {
        Go(kFolderPage, "install folder page");
        CheckText(
            Text(Control(1000)), proposed.empty() ? Field(package.m_szInstallDir) : proposed,
            proposed.empty() ? "folder field holds the package's default" : "folder field holds the earlier folder");
        CheckText(Text(Control(1001)), L"浏览", "browse button");
        Shot(shot);
    }
    std::vector<std::wstring> Styles() const {
        std::vector<std::wstring> styles;
        for (const std::string& style : voz::InstallStyles(package)) {
            styles.push_back(Wide(style));
        }
        return styles;
    }
    void StylePage(const wchar_t* shot) {
        Go(kStylePage, "install style page");
        const std::vector<std::wstring> styles = Styles();
        Check(ComboEntries(Control(1002)) == styles, "style list: the package's distinct styles in order");
        Check(Send(Control(1002), CB_GETCURSEL) == (styles.empty() ? CB_ERR : 0), "first style preselected");
        CheckText(Text(Control(1002)), styles.empty() ? L"" : styles.front(), "style list shows the first style");
        Shot(shot);
    }
    void OrderPage(const wchar_t* shot) {
        Go(kOrderPage, "order software page");
        const int preselected = package.m_nDefaultOrderSoftware;
        Check(ComboEntries(Control(1002)) == kOrderSoftware, "order software list: four entries in order");
        Check(Send(Control(1002), CB_GETCURSEL) == (preselected >= 0 && preselected < 4 ? preselected : CB_ERR),
              "the package's default preselected, none for a default outside the list");
        Shot(shot);
    }
    void ExtractPage(const wchar_t* shot) {
        Go(kExtractPage, "extraction page");
        Check(!IsWindowVisible(Control(1010)), "progress bar hidden before the installation");
        CheckText(Text(Control(1025)), L"", "no status text before the installation");
        Shot(shot);
    }
    // From the welcome page to the extraction page, every page checked, the
    // route's choices made.
    void ToExtractionPage(const Route& route) {
        FolderPage(route.shots[0]);
        if (!route.folder.empty()) {
            Type(route.folder);
        }
        StylePage(route.shots[1]);
        Pick(1002, route.style);
        OrderPage(route.shots[2]);
        Pick(1002, route.order);
        ExtractPage(route.shots[3]);
    }
    // Opens the wizard and walks it to the extraction page; false when it did not open.
    bool OpenTo(const std::wstring& setup, const Route& route) {
        if (!Open(setup)) {
            return false;
        }
        ToExtractionPage(route);
        return true;
    }

    // The one message box the setup shows, captioned "安装程序", with `text`
    // (or text beginning with it); null when none comes.
    HWND ExpectMessage(const std::wstring& text, const std::string& what, bool prefix = false) {
        HWND box = WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && w != sheet && w != welcome; });
        if (!Check(box != nullptr, what)) {
            return nullptr;
        }
        CheckText(Text(box), kMessageCaption, what + ": message caption");
        const std::wstring shown = MessageText(box);
        if (prefix) {
            Check(shown.rfind(text, 0) == 0, what + ": message text " + Utf8(shown));
        } else {
            CheckText(shown, text, what + ": message text");
        }
        Check(TopWindows(run.Id(), [&](HWND w) { return w != sheet; }).size() == 1, what + ": one message");
        return box;
    }
    void CloseMessage(HWND box, const std::string& what) {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        Check(WaitUntil([&] { return !IsWindow(box); }), what + ": the message closes");
    }
    // ExpectMessage, a screenshot of the box when `shot` is given, OK.
    void SeeMessage(const std::wstring& text, const std::string& what, const wchar_t* shot = nullptr,
                    bool prefix = false) {
        if (HWND box = ExpectMessage(text, what, prefix)) {
            Screenshot(box, shot);
            CloseMessage(box, what);
        }
    }

    // Next on the extraction page runs the installation (Installation).
    bool Install(const std::wstring& message = L"", const std::vector<std::wstring>& named = {},
                 const wchar_t* shot = nullptr, bool tryClose = false) {
        Next();
        return Installation(message, named, shot, tryClose);
    }
    // The installation after Next (or Retry): no wizard button, the progress
    // bar and "正在解压文件" while it runs; the first settings page after it,
    // the bar hidden at 100, with nothing else shown; true when the page
    // came. When `message` is given, one message whose text begins with it
    // and names each of `named` reports the outcome first; it is shot as
    // `shot` and closed, after which the wizard goes on. `tryClose` presses
    // the close box while the bar is up, which must be refused.
    bool Installation(const std::wstring& message = L"", const std::vector<std::wstring>& named = {},
                      const wchar_t* shot = nullptr, bool tryClose = false) {
        HWND extractPage = CurrentPage(sheet);
        HWND progress = GetDlgItem(extractPage, 1010);
        bool closedWhileRunning = false;
        const bool sawWork = WaitUntil(
            [&] {
                if (ActiveButtons(sheet) != 0 || !IsWindowVisible(progress) ||
                    Text(GetDlgItem(extractPage, 1025)) != L"正在解压文件") {
                    return false;
                }
                // The worker hides the bar before it posts its completion, so
                // a bar still visible after the request means the request is
                // handled while the installation runs.
                if (tryClose) {
                    PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
                    closedWhileRunning = IsWindowVisible(progress) != FALSE;
                }
                return true;
            },
            5000);
        Check(sawWork, "during the installation: no wizard button, progress bar shown, \"正在解压文件\"");
        if (tryClose) {
            Check(closedWhileRunning, "the close box was tried during the installation");
            Screenshot(nullptr, L"10-extracting");
        }
        HWND box = message.empty() ? nullptr : ExpectMessage(message, "a message reports the installation", true);
        if (box != nullptr) {
            const std::wstring text = MessageText(box);
            for (const std::wstring& name : named) {
                Check(text.find(name) != std::wstring::npos, "the message names " + Utf8(name));
            }
            Check(PageIndex(sheet) == kExtractPage,
                  "the wizard waits on the extraction page while the message is shown");
            Screenshot(box, shot);
            CloseMessage(box, "the message after the installation");
        }
        const bool done = ExpectPage(sheet, kToolbarPage, "after the installation: first settings page");
        if (tryClose) {
            Check(IsWindow(sheet), "the close box was refused during the installation");
        }
        CheckText(Text(GetDlgItem(extractPage, 1025)), L"正在解压文件", "status text after the installation");
        Check(!IsWindowVisible(progress) && Send(progress, PBM_GETPOS) == 100, "progress bar hidden at 100 after it");
        Check(OtherWindow() == nullptr, "no other message");
        return done;
    }
    // Next on the extraction page when the installation may not start or does
    // not complete: one message whose text begins with `start` and names
    // `name`, shot as `shot`; afterwards the wizard is on the page again with
    // Back and Next and the bar hidden, for another try. `whileRunning` is
    // done as soon as the installation runs.
    void NotInstalled(const std::wstring& start, const std::wstring& name, const std::string& what,
                      const wchar_t* shot = nullptr, const std::function<void()>& whileRunning = {}) {
        HWND progress = GetDlgItem(CurrentPage(sheet), 1010);
        Next();
        if (whileRunning) {
            Check(WaitUntil([&] { return IsWindowVisible(progress) != FALSE; }, 5000, 1),
                  what + ": the installation runs");
            whileRunning();
        }
        if (HWND box = ExpectMessage(start, what + ": a message", true)) {
            Check(MessageText(box).find(name) != std::wstring::npos, what + ": the message holds " + Utf8(name));
            Screenshot(box, shot);
            CloseMessage(box, what);
        }
        ExpectPage(sheet, kExtractPage, what + ": the wizard stays on the extraction page");
        Check(!IsWindowVisible(progress), what + ": the progress bar is hidden");
    }

    // The close box ends the program.
    void Close(const std::string& what = "the close box ends the program") {
        PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
        Check(run.Ended(10000), what);
    }
    // The program ends (the close box or Finish pressed) without showing the welcome window again.
    void ExpectEnd(const std::string& what) {
        bool welcomeAgain = false;
        Check(WaitUntil([&] {
                  welcomeAgain |= IsWindowVisible(welcome) != FALSE;
                  return run.Ended(0);
              }),
              what);
        Check(!welcomeAgain, "the welcome window does not come back after the wizard");
    }
};

// ---- Settings pages ----

// The root and its three page items, in tree order.
std::vector<HTREEITEM> TreeItems(HWND tree) {
    std::vector<HTREEITEM> items;
    auto next = [&](UINT relation, HTREEITEM item) {
        return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    };
    if (HTREEITEM root = next(TVGN_ROOT, nullptr)) {
        items.push_back(root);
        for (HTREEITEM child = next(TVGN_CHILD, root); child != nullptr; child = next(TVGN_NEXT, child)) {
            items.push_back(child);
        }
    }
    return items;
}

HTREEITEM TreeSelection(HWND tree) { return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)); }

std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    constexpr size_t kChars = 64;
    std::vector<BYTE> buffer(sizeof(TVITEMW) + kChars * sizeof(wchar_t));
    auto place = [&](BYTE* remote) {
        TVITEMW read = {};
        read.mask = TVIF_TEXT;
        read.hItem = item;
        read.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
        read.cchTextMax = kChars;
        std::memcpy(buffer.data(), &read, sizeof read);
    };
    if (!SendThroughProcess(tree, TVM_GETITEMW, 0, buffer, place)) {
        return L"<unreadable>";
    }
    std::wstring text(kChars, L'\0');
    std::memcpy(text.data(), buffer.data() + sizeof(TVITEMW), kChars * sizeof(wchar_t));
    return text.substr(0, wcsnlen(text.c_str(), kChars));
}

// The rectangle of a tree item's text, in the tree's client coordinates.
RECT TreeItemRect(HWND tree, HTREEITEM item) {
    std::vector<BYTE> buffer(sizeof(RECT));
    std::memcpy(buffer.data(), &item, sizeof item);  // on input the rectangle holds the item
    RECT rect = {};
    if (SendThroughProcess(tree, TVM_GETITEMRECT, TRUE, buffer)) {
        std::memcpy(&rect, buffer.data(), sizeof rect);
    }
    return rect;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

HWND TreeOf(HWND sheet) { return GetDlgItem(CurrentPage(sheet), 1011); }

// Selects tree item `item` (0 the root, 1 to 3 the pages) of the current
// page as the keyboard would, or clicks it with the left mouse button.
void PickInTree(HWND sheet, size_t item, bool click = false) {
    HWND tree = TreeOf(sheet);
    std::vector<HTREEITEM> items = TreeItems(tree);
    if (item >= items.size()) {
        return;
    } else if (!click) {
        Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[item]));
        return;
    }
    const RECT rect = TreeItemRect(tree, items[item]);
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tree, WM_LBUTTONUP, 0, at);
}

const std::vector<std::wstring> kTreeLabels = {L"个性化设置", L"工具条", L"行情与下单", L"K线图"};

// The controls of the settings pages and what each shows besides its value:
// a list's entries, or a check box's text as the single entry.
struct SettingControl {
    int page, id;
    std::vector<std::wstring> labels;
};
const SettingControl kSettingControls[] = {
    {kToolbarPage, 1038, {L"vu工具条是否显示"}},
    {kToolbarPage, 1036, {L"显示", L"不显示"}},
    {kToolbarPage, 1037, {L"上方", L"下方", L"不显示"}},
    {kToolbarPage, 1035, {L"上方", L"右侧", L"不显示"}},
    {kOrderSettingsPage, 1015, {L"双击买卖价弹出星捷下单窗口"}},
    {kOrderSettingsPage, 1032, {L"竖条下单板", L"横条下单板"}},
    {kChartPage, 1030, {L"图表窗口的小工具条是否显示(热键：Alt + B)"}},
    {kChartPage, 1002, {L"缩放K线图显示比例", L"切换K线图合约"}},
};

// The values of the settings pages, in the order of kSettingControls: check
// boxes 0 or 1, lists the selected index or -1.
using PageValues = std::array<int, std::size(kSettingControls)>;
enum { kVuToolBar, kNews, kTabBar, kToolBar, kZqTrader, kOrderBoard, kTaTabBtn, kWheel };

// Checks the values the controls of settings page `index` show.
void CheckPageValues(HWND page, int index, const PageValues& expected, const std::string& what) {
    for (size_t i = 0; i < expected.size(); ++i) {
        if (kSettingControls[i].page == index) {
            const int id = kSettingControls[i].id, shown = Shown(page, id);
            Check(shown == expected[i], what + ": control " + std::to_string(id) + " shows " + std::to_string(shown) +
                                            ", expected " + std::to_string(expected[i]));
        }
    }
}

// Sets the visible controls of settings page `index` as the user would.
void SetPageValues(HWND page, int index, const PageValues& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        if (kSettingControls[i].page == index && IsWindowVisible(GetDlgItem(page, kSettingControls[i].id))) {
            SetShown(page, kSettingControls[i].id, values[i]);
        }
    }
}

// Waits for settings page `index` and checks it: its tree with the four
// labels, the root expanded, the page's own item selected and the focus in
// it; its controls' labels; check box 1038 hidden on the first page.
HWND ExpectSettingsPage(HWND sheet, int index, const std::string& what) {
    ExpectPage(sheet, index, what);
    HWND page = CurrentPage(sheet);
    HWND tree = GetDlgItem(page, 1011);
    for (const SettingControl& control : kSettingControls) {
        HWND shown = GetDlgItem(page, control.id);
        if (control.page == index) {
            Check((IsList(shown) ? ComboEntries(shown) : std::vector<std::wstring>{Text(shown)}) == control.labels,
                  what + ": labels of control " + std::to_string(control.id));
        }
    }
    if (index == kToolbarPage) {
        Check(!IsWindowVisible(GetDlgItem(page, 1038)), what + ": check box 1038 is not visible");
    }
    std::vector<HTREEITEM> items = TreeItems(tree);
    if (!Check(items.size() == 4, what + ": tree with the root and three items")) {
        return page;
    }
    std::wstring labels;
    std::vector<std::wstring> shown;
    for (HTREEITEM item : items) {
        shown.push_back(TreeItemText(tree, item));
        labels += shown.back() + L"/";
    }
    Check(shown == kTreeLabels, what + ": tree labels " + Utf8(labels));
    Check(Send(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(items[0]), TVIS_EXPANDED) & TVIS_EXPANDED,
          what + ": root expanded");
    Check(WaitUntil([&] { return TreeSelection(tree) == items[static_cast<size_t>(index - kExtractPage)]; }, 3000),
          what + ": the page's own item selected");
    Check(WaitUntil([&] { return FocusOf(sheet) == tree; }, 3000), what + ": the tree has the focus");
    return page;
}

// What the pages must show for a record loaded from Voz.ini, worked out from
// the keys as the client defines them.
PageValues ExpectedValues(const voz::CClientSettings& s) {
    return {s.m_nRirurAzToolBar,
            s.IndexBar != 0 ? 0 : 1,
            s.TabBar == 0 ? 2 : (s.TabBarDock != 0 ? 1 : 0),
            s.ToolBar == 0 ? 2 : (s.ToolbarDockR != 0 ? 1 : 0),
            s.ZqTraderIsUse,
            s.ORDERBOARDTYPE == 0 || s.ORDERBOARDTYPE == 1 ? s.ORDERBOARDTYPE : -1,
            s.SHOWTATABBTN,
            s.WHELLCHANGECON};
}

voz::CClientSettings SettingsOf(const std::vector<char>& bytes, voz::CIniFile& file) {
    file.Parse(std::string(bytes.begin(), bytes.end()));
    voz::CClientSettings settings;
    settings.ReadFrom(file);
    return settings;
}

// One move on the settings pages: a tree item picked with the keyboard or
// clicked, Back, Next or the arrow key up in the tree; none for the page the
// installation leads to. A move to the page already shown must keep it.
enum SettingsMove { kArrive, kTreeKey, kTreeClick, kBackButton, kNextButton, kArrowUp };
struct SettingsStep {
    SettingsMove move;
    size_t item;  // of the tree: 0 the root, 1 to 3 the pages
    int page;     // shown after the move
    const char* what;
};
const SettingsStep kSettingsWalk[] = {
    {kArrive, 0, kToolbarPage, "first settings page"},
    {kTreeKey, 3, kChartPage, "tree \"K线图\" from the first page: the second page is skipped"},
    {kTreeKey, 0, kChartPage, "the tree root keeps the page"},
    {kTreeKey, 3, kChartPage, "the own item keeps the page"},
    {kTreeKey, 0, kChartPage, "the tree root again"},
    {kBackButton, 0, kOrderSettingsPage, "Back from the last page"},
    {kArrowUp, 0, kToolbarPage, "arrow key up from the second page"},
    {kNextButton, 0, kOrderSettingsPage, "Next from the first page"},
    {kBackButton, 0, kToolbarPage, "Back to the first page"},
    {kNextButton, 0, kOrderSettingsPage, "Next to the second page"},
    {kNextButton, 0, kChartPage, "Next to the last page"},
    {kTreeClick, 3, kChartPage, "a click on the own item keeps the page"},
    {kTreeClick, 1, kToolbarPage, "click on \"工具条\" on the last page"},
    {kTreeClick, 3, kChartPage, "click on \"K线图\" on the first page"},
};

void MakeMove(HWND sheet, const SettingsStep& step) {
    if (step.move == kTreeKey || step.move == kTreeClick) {
        PickInTree(sheet, step.item, step.move == kTreeClick);
    } else if (step.move == kArrowUp) {
        PostMessageW(TreeOf(sheet), WM_KEYDOWN, VK_UP, 0);
    } else if (step.move != kArrive) {
        Click(GetDlgItem(sheet, step.move == kBackButton ? kBack : kNext));
    }
}

// Walks the settings pages as kSettingsWalk says, checking every page shows
// the values of Voz.ini until `chosen` is set on it at its first showing, and
// presses Finish. Voz.ini must then hold the record read after extraction
// with the chosen values stored, 2nd_voz.ini must be as extraction left it.
void SettingsAndFinish(Wizard& wizard, const std::wstring& folder, PageValues chosen, const std::wstring& shotPrefix) {
    HWND sheet = wizard.sheet;
    const std::wstring vozIni = folder + L"\\Voz.ini";
    const std::wstring secondIni = folder + L"\\2nd_voz.ini";
    const std::vector<char> installed = ReadAll(vozIni);
    const std::vector<char> second = ReadAll(secondIni);
    voz::CIniFile file;
    voz::CClientSettings record = SettingsOf(installed, file);
    PageValues shown = ExpectedValues(record);
    chosen[kVuToolBar] = shown[kVuToolBar];  // hidden, so never changed
    const wchar_t* shots[] = {L"-settings-toolbar", L"-settings-order", L"-settings-chart"};
    std::vector<int> visited;
    for (const SettingsStep& step : kSettingsWalk) {
        const int before = PageIndex(sheet);
        MakeMove(sheet, step);
        if (step.move != kArrive && step.page == before) {
            Sleep(300);
            Check(PageIndex(sheet) == step.page, step.what);
            HWND tree = TreeOf(sheet);
            if (step.item == 0) {
                Check(TreeSelection(tree) == TreeItems(tree)[0], "the root stays highlighted");
            }
            continue;
        }
        HWND page = ExpectSettingsPage(sheet, step.page, step.what);
        CheckPageValues(page, step.page, shown, step.what);
        if (std::find(visited.begin(), visited.end(), step.page) == visited.end()) {
            visited.push_back(step.page);
            Screenshot(sheet, (shotPrefix + shots[step.page - kToolbarPage]).c_str());
            SetPageValues(page, step.page, chosen);
            for (size_t i = 0; i < shown.size(); ++i) {
                shown[i] = kSettingControls[i].page == step.page ? chosen[i] : shown[i];
            }
        }
    }
    Check(ReadAll(vozIni) == installed, "Voz.ini unchanged before Finish");

    Click(GetDlgItem(sheet, kFinish));
    wizard.ExpectEnd("Finish ends the program");

    // The expected file: the installed one with every key of the record
    // rewritten, the ten keys of the pages as chosen; read back with the
    // system's own profile functions too.
    record.IndexBar = chosen[kNews] == 0 ? 1 : 0;
    record.TabBar = chosen[kTabBar] == 2 ? 0 : 1;
    record.TabBarDock = chosen[kTabBar] == 2 ? record.TabBarDock : chosen[kTabBar];
    record.ToolBar = chosen[kToolBar] == 2 ? 0 : 1;
    record.ToolbarDockR = chosen[kToolBar] == 2 ? record.ToolbarDockR : chosen[kToolBar];
    record.ZqTraderIsUse = chosen[kZqTrader];
    record.ORDERBOARDTYPE = chosen[kOrderBoard];
    record.SHOWTATABBTN = chosen[kTaTabBtn];
    record.WHELLCHANGECON = chosen[kWheel];
    record.WriteTo(file);
    const std::vector<char> saved = ReadAll(vozIni);
    Check(std::string(saved.begin(), saved.end()) == file.Bytes(), "Voz.ini after Finish holds every key as expected");
    auto key = [&](const wchar_t* section, const wchar_t* name) {
        return static_cast<int>(GetPrivateProfileIntW(section, name, -1, vozIni.c_str()));
    };
    Check(key(L"SYSTEM", L"ToolBar") == record.ToolBar && key(L"SYSTEM", L"ToolbarDockR") == record.ToolbarDockR &&
              key(L"SYSTEM", L"TabBar") == record.TabBar && key(L"SYSTEM", L"TabBarDock") == record.TabBarDock &&
              key(L"SYSTEM", L"IndexBar") == record.IndexBar &&
              key(L"SYSTEM", L"m_nRirurAzToolBar") == record.m_nRirurAzToolBar &&
              key(L"GENERALTRADE", L"ZqTraderIsUse") == chosen[kZqTrader] &&
              key(L"GENERALTRADE", L"ORDERBOARDTYPE") == chosen[kOrderBoard] &&
              key(L"SYSTEM", L"SHOWTATABBTN") == chosen[kTaTabBtn] && key(L"TA", L"WHELLCHANGECON") == chosen[kWheel],
          "the pages' keys read back as chosen");
    wchar_t scroll[8] = {};
    GetPrivateProfileStringW(L"SYSTEM", L"ScrollQuot", L"", scroll, 8, vozIni.c_str());
    CheckText(scroll, key(L"SYSTEM", L"ScrollPeriod") != 0 ? L"Yes" : L"No", "ScrollQuot follows ScrollPeriod");
    Check(key(L"SYSTEM", L"MainTrade") == -1, "MainTrade is not in Voz.ini");
    Check(ReadAll(secondIni) == second, "2nd_voz.ini is as the installation left it");
}

// ---- Scenarios of the setup ----

// The about entry of the system menu: open the menu as Alt+Space does and
// choose its last entry with the keyboard; up from the first entry wraps to
// it. (The menu belongs to the setup process and cannot be read from here;
// the screenshot shows it.)
void CheckAboutBox(Wizard& wizard) {
    HWND welcome = wizard.welcome;
    PostMessageW(welcome, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    HWND menu = WaitTopWindow(wizard.run.Id(), [](HWND w) { return ClassName(w) == L"#32768"; });
    if (Check(menu != nullptr, "the system menu opens")) {
        Screenshot(nullptr, L"02-system-menu");
    }
    PostMessageW(welcome, WM_KEYDOWN, VK_UP, 1);
    PostMessageW(welcome, WM_KEYDOWN, VK_RETURN, 1);
    HWND about =
        WaitTopWindow(wizard.run.Id(), [&](HWND w) { return IsDialog(w) && GetWindow(w, GW_OWNER) == welcome; });
    if (!Check(about != nullptr, "the system menu's last entry opens the about box")) {
        return;
    }
    CheckText(Text(about), L"关于 Setup", "about box caption");
    Check(HasChildText(about, L"Setup 1.0 版"), "about box shows \"Setup 1.0 版\"");
    CheckText(Text(GetDlgItem(about, IDOK)), L"确定", "about box button");
    Screenshot(about, L"03-about");
    Click(GetDlgItem(about, IDOK));
    Check(WaitUntil([&] { return !IsWindow(about); }), "about box closes");
    Check(IsWindowVisible(welcome), "welcome window stays after the about box");
}

// The folder browser: cancelling it leaves the field alone.
void CheckFolderBrowser(Wizard& wizard, const std::wstring& field) {
    Click(wizard.Control(1001));
    HWND browser =
        WaitTopWindow(wizard.run.Id(), [&](HWND w) { return IsDialog(w) && GetWindow(w, GW_OWNER) == wizard.sheet; });
    if (Check(browser != nullptr, "the folder browser opens")) {
        Check(HasChildText(browser, L"请选择目录："), "the folder browser shows \"请选择目录：\"");
        Screenshot(browser, L"06-browse");
        PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
        Check(WaitUntil([&] { return !IsWindow(browser); }), "the folder browser closes");
        CheckText(Text(wizard.Control(1000)), field, "cancelled browsing keeps the field");
    }
}

// Checks an installation into `folder` as a whole: its tree, its links and
// uninstaller, and 2nd_voz.ini holding only the order software picked.
void CheckInstallation(const CPackageInfo& package, const std::wstring& folder, const std::wstring& sourceDir,
                       const std::vector<StyleCopy>& copies, int mainTrade,
                       const std::vector<std::wstring>& rewritten = {}) {
    CheckInstalledTree(package, folder, sourceDir, copies, rewritten);
    CheckShortcutsAndUninstaller(package, folder);
    const std::string second = "[SYSTEM]\r\nMainTrade=" + std::to_string(mainTrade) + "\r\n";
    Check(ReadAll(folder + L"\\2nd_voz.ini") == std::vector<char>(second.begin(), second.end()),
          "2nd_voz.ini holds only MainTrade=" + std::to_string(mainTrade));
}

// The whole installation of the sample package, every screen on the way.
void InstallScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir) {
    const std::wstring firstFolder = L"C:\\e2e\\第一个目录";
    const std::wstring folder = L"C:\\e2e\\沃兹 安装";
    CleanInstallation(package, L"C:\\e2e");
    CleanInstallation(package, Field(package.m_szInstallDir));
    Wizard wizard{package};
    if (!wizard.StartChecked(setup, L"01-welcome")) {
        return;
    }
    CheckAboutBox(wizard);
    if (!wizard.OpenChecked(L"04-welcome-page")) {
        return;
    }
    wizard.FolderPage(L"05-folder-page");
    CheckFolderBrowser(wizard, Field(package.m_szInstallDir));
    wizard.Type(firstFolder);
    wizard.StylePage(L"07-style-page");
    const int chosenStyle = static_cast<int>(wizard.Styles().size()) - 1;
    wizard.Pick(1002, chosenStyle);
    wizard.OrderPage(L"08-order-page");
    wizard.Pick(1002, 3);

    // Back and Next keep the choices; neither page sets the buttons itself.
    wizard.Go(kStylePage, "Back to the style page");
    Check(Send(wizard.Control(1002), CB_GETCURSEL) == chosenStyle, "style choice kept");
    wizard.Go(kOrderPage, "Next to the order page again");
    Check(Send(wizard.Control(1002), CB_GETCURSEL) == 3, "order software choice kept");
    wizard.ExtractPage(L"09-extract-page");

    // The folder is taken when Next is pressed on the extraction page.
    wizard.WalkTo(kFolderPage);
    wizard.Type(folder);
    wizard.WalkTo(kExtractPage);
    wizard.Install(L"", {}, nullptr, true);
    wizard.Shot(L"11-settings-page");

    Check(!Exists(firstFolder), "nothing installed into the folder left on the folder page");
    std::vector<StyleCopy> copies = CopiesOf(package, wizard.Styles().back());
    Check(!copies.empty(), "the chosen style has copies");
    CheckInstallation(package, folder, sourceDir, copies, 3);
    // 精简版's Voz.ini hides the three bars and does not scroll.
    SettingsAndFinish(wizard, folder, {1, 0, 2, 1, 1, 1, 0, 0}, L"12");
}

// A package with an order software default outside the list and repeated
// style labels, installed with the preselected choices into its default
// folder, where folders stand in the place of two files: the installation
// stops at the first, says so and removes what it wrote; with those folders
// gone, Next installs it whole. Meant to run with a system code page other
// than 936.
void VariantScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir) {
    std::printf("system code page %u\n", GetACP());
    Check(GetACP() != 936, "the system's ANSI code page is not 936");
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    // Folders where two files are to go: those files cannot be written.
    const std::vector<std::wstring> blocked = {L"VozClient.exe", L"帮助\\使用说明.txt"};
    for (const std::wstring& name : blocked) {
        SHCreateDirectoryExW(nullptr, (folder + L"\\" + name).c_str(), nullptr);
    }
    Wizard wizard{package};
    const std::vector<std::wstring> styles = {L"全功能版", L"精简版", L"经典版"};
    Check(wizard.Styles() == styles, "repeated style labels are listed once, in order of first appearance");
    Check(package.m_nDefaultOrderSoftware >= 4, "the package's default order software lies outside the list");
    if (!wizard.Open(setup, L"21-variant-welcome")) {
        return;
    }
    wizard.ToExtractionPage(
        {L"", 0, CB_ERR, {L"22-variant-folder-page", L"23-variant-style-page", L"24-variant-order-page", nullptr}});
    wizard.NotInstalled(
        L"安装未完成，已写入的文件均已删除。\r\n有 1 项未能完成：\r\n\r\n文件 VozClient.exe（无法创建文件：",
        blocked[0], "a folder where a file goes", L"25-variant-failures");
    std::vector<std::wstring> left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(folder))) {
        left.push_back(std::filesystem::relative(entry.path(), std::filesystem::path(folder)).wstring());
    }
    std::sort(left.begin(), left.end());
    Check(left == std::vector<std::wstring>{L"VozClient.exe", L"帮助", L"帮助\\使用说明.txt"},
          "the folder holds only what was there before");
    for (const std::wstring& name : blocked) {
        RemoveDirectoryW((folder + L"\\" + name).c_str());
    }
    if (!wizard.Install()) {
        return;
    }
    wizard.Shot(L"26-variant-settings-page");
    Check(CopiesOf(package, styles[0]).size() == 2, "the first style has two copy records");
    CheckInstallation(package, folder, sourceDir, CopiesOf(package, styles[0]), 0);
    // 全功能版's Voz.ini shows the three bars and scrolls.
    SettingsAndFinish(wizard, folder, {1, 1, 1, 0, 0, 0, 1, 1}, L"27-variant");
}

// "退出安装" on the welcome window, and the wizard's close box, end the
// program without writing anything. Data after the package, such as a code
// signature, is no damage: that setup starts as usual. Closed on a settings
// page after the installation, Voz.ini stays as the installation left it and
// 2nd_voz.ini holds the order software already.
void QuitScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& workDir) {
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    const std::wstring signedSetup = workDir + L"\\signed-setup.exe";
    const size_t size = ReadAll(setup).size();
    Check(WriteVariant(setup, signedSetup, size + 4096, size, "signature"), "a setup with data after its package");
    for (const std::wstring& path : {setup, signedSetup}) {
        Wizard wizard{package};
        if (wizard.Start(path, "welcome window of " + Utf8(path))) {
            Click(GetDlgItem(wizard.welcome, IDCANCEL));
            Check(wizard.run.Ended(10000), "\"退出安装\" ends the program");
        }
    }
    // Without /S: /D= presets the folder field, /LOG= moves the log, other
    // words are ignored; closed before installing, the run is cancelled (1).
    {
        Wizard wizard{package};
        const std::wstring log = workDir + L"\\quit.log";
        wizard.arguments = L"-x \"/LOG=" + log + L"\" /D=C:\\预设 目录";
        if (wizard.Open(setup)) {
            wizard.WalkTo(kStylePage);
            CheckText(Text(GetDlgItem(PageAt(wizard.sheet, kFolderPage), 1000)), L"C:\\预设 目录",
                      "/D= presets the folder");
            PostMessageW(wizard.sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
            wizard.ExpectEnd("the wizard's close box ends the program");
            DWORD code = 0;
            Check(GetExitCodeProcess(wizard.run.process.hProcess, &code) && code == 1, "closed early: exit code 1");
            CheckLogLines(TextOf(log), {"exit code 1 (cancelled by the user)"}, "the log where /LOG= put it");
        }
    }
    {
        Wizard wizard{package};
        wizard.arguments = L"/?";
        if (Check(wizard.run.Start(setup, wizard.arguments), "setup /? starts")) {
            wizard.SeeMessage(L"命令行开关：\r\n\r\n/S\t", "/? shows the switches", nullptr, true);
            Check(wizard.run.Ended(10000), "/?: the setup ends after the message");
        }
    }
    Check(NothingInstalled(package, folder), "nothing was installed");

    Wizard wizard{package};
    if (wizard.OpenTo(setup, {L"", 0, 2}) && wizard.Install()) {  // 恒生客户端
        const std::vector<char> installed = ReadAll(folder + L"\\Voz.ini");
        Check(!installed.empty(), "the installation left a Voz.ini");
        PickInTree(wizard.sheet, 2);
        ExpectSettingsPage(wizard.sheet, kOrderSettingsPage, "tree \"行情与下单\" from the first page");
        SetShown(CurrentPage(wizard.sheet), 1015, 1);
        wizard.Close("the close box on a settings page ends the program");
        Check(ReadAll(folder + L"\\Voz.ini") == installed, "Voz.ini stays as the installation left it");
        Check(MainTrade(folder) == 2, "2nd_voz.ini holds the order software, 恒生客户端");
    }
    CleanInstallation(package, folder);
}

// Finish with a Voz.ini that cannot be replaced (held open without sharing
// by the driver): one message says so, the wizard ends, and the file keeps
// what the installation left.
void UnsavedScenario(const std::wstring& setup, const CPackageInfo& package) {
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    Wizard wizard{package};
    if (!wizard.OpenTo(setup, {L"", 0, 1}) || !wizard.Install()) {  // 金仕达客户端
        return;
    }
    Check(MainTrade(folder) == 1, "MainTrade records 金仕达客户端");
    const std::wstring vozIni = folder + L"\\Voz.ini";
    const std::vector<char> installed = ReadAll(vozIni);
    HANDLE held = CreateFileW(vozIni.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Check(held != INVALID_HANDLE_VALUE, "Voz.ini held open");
    ExpectSettingsPage(wizard.sheet, kToolbarPage, "first settings page");
    wizard.Pick(1035, 1);
    wizard.Next();
    ExpectSettingsPage(wizard.sheet, kOrderSettingsPage, "second settings page");
    wizard.Next();
    ExpectSettingsPage(wizard.sheet, kChartPage, "last settings page");
    Click(GetDlgItem(wizard.sheet, kFinish));
    wizard.SeeMessage(L"个性化设置未能保存：无法写入安装目录中的 Voz.ini，原有的 Voz.ini 保持不变。",
                      "a message says that the settings were not saved", L"41-settings-not-saved");
    Check(wizard.run.Ended(10000), "the wizard ends after the message");
    CloseHandle(held);
    Check(ReadAll(vozIni) == installed, "Voz.ini keeps what the installation left");
    CleanInstallation(package, folder);
}

// A default installation into `folder`, a screenshot of every screen: the
// preselected style and order software, the settings as the installation
// left them, Finish. The installation stays for inspection.
void DemoScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir,
                  const std::wstring& folder) {
    CleanInstallation(package, folder);
    Wizard wizard{package};
    if (!wizard.Open(setup, L"01-welcome", L"02-welcome-page")) {
        return;
    }
    const int order = package.m_nDefaultOrderSoftware;
    wizard.ToExtractionPage(
        {folder, 0, order, {L"03-folder-page", L"04-style-page", L"05-order-page", L"06-extract-page"}});
    if (!wizard.Install()) {
        return;
    }
    Check(order == 0, "the package preselects 星捷(推荐使用)");
    CheckInstallation(package, folder, sourceDir, CopiesOf(package, wizard.Styles().front()), order);
    voz::CIniFile file;
    SettingsAndFinish(wizard, folder, ExpectedValues(SettingsOf(ReadAll(folder + L"\\Voz.ini"), file)), L"07");
}

// Starts a setup that must show nothing but one message box with `message`,
// takes a screenshot of it when `shot` is given, and closes it.
void ExpectOnlyMessage(const CPackageInfo& package, const std::wstring& setup, const std::wstring& message,
                       const std::string& what, const wchar_t* shot) {
    Wizard wizard{package};
    if (Check(wizard.run.Start(setup), what + " starts")) {
        wizard.SeeMessage(message, what + ": a message", shot);
        Check(wizard.run.Ended(10000), what + ": the program ends after the message");
    }
}

// A setup whose package is missing, ends early or is damaged says so in one
// message and ends without installing anything.
void BrokenScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& stub,
                    const std::wstring& workDir) {
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    const size_t size = ReadAll(setup).size();
    // The first text's stored length follows the header: six strings and the
    // default order software. A length beyond what a text may hold is damage.
    size_t textLength = voz::kPackageOffset + 4;
    for (const char* field : {package.m_szTitle, package.m_szVersion, package.m_szCompany, package.m_szInstallDir,
                              package.m_szMainExe, package.m_szSourceDir}) {
        textLength += 4 + std::strlen(field);
    }
    const std::wstring truncated = workDir + L"\\truncated-setup.exe";
    const std::wstring damaged = workDir + L"\\damaged-setup.exe";
    Check(WriteVariant(setup, truncated, size - 100, 0, "MZ"), "a setup cut 100 bytes short");
    Check(WriteVariant(setup, damaged, size, textLength, std::string("\xF0\xFF\xFF\x7F", 4)), "a damaged setup");
    const std::wstring message = L"安装程序文件不完整或已损坏，无法安装。请重新下载安装程序。";
    ExpectOnlyMessage(package, stub, message, "setup without a package", nullptr);
    ExpectOnlyMessage(package, truncated, message, "setup cut short", nullptr);
    ExpectOnlyMessage(package, damaged, message, "setup damaged", L"31-broken-package");
    Check(NothingInstalled(package, folder), "nothing was installed");
}

// True when no settings file lies in the setup's current folder, at the
// root of its drive or in `folder`.
bool NoSettingsFileIn(const std::wstring& folder) {
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    for (const std::wstring& place : {std::wstring(current), std::wstring(L""), folder}) {
        if (Exists(place + L"\\Voz.ini") || Exists(place + L"\\2nd_voz.ini")) {
            return false;
        }
    }
    return true;
}

// Next on the extraction page with an empty folder, a relative one and one
// on a drive without its backslash: each time one message says what is
// wrong, the wizard stays on the page with Back and Next, and nothing is
// written anywhere.
void FoldersScenario(const std::wstring& setup, const CPackageInfo& package) {
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    Wizard wizard{package};
    if (!wizard.OpenTo(setup, {})) {
        return;
    }
    for (const std::wstring typed : {L"", L"Client", L"D:Client"}) {
        const std::string what = "folder \"" + Utf8(typed) + "\": a message";
        wizard.Type(typed);
        wizard.Next();
        wizard.SeeMessage(
            L"安装路径必须是完整的路径：\r\n以盘符和“\\”开头，\r\n或以“\\\\服务器\\共享”开头。\r\n请重新输入。", what,
            typed.empty() ? L"51-empty-folder" : nullptr);
        ExpectPage(wizard.sheet, kExtractPage, what + ": the wizard stays on the extraction page");
    }
    Check(!Exists(std::wstring(current) + L"\\Client") && !Exists(L"D:Client") && NoSettingsFileIn(current),
          "no file written in the current folder or at the drive's root");
    Check(NothingInstalled(package, folder), "nothing was installed");
    wizard.Close();
}

// A package with an empty program-group name and no shortcuts installs
// without any message; the uninstall data names the Programs folder itself.
// Its folder of 1,500 files, packed as several records, installs whole.
void NoGroupScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir) {
    Check(package.m_szGroup[0] == '\0' && package.m_shortcuts.empty(), "the package has no group name and no shortcut");
    int marketRecords = 0;
    for (const voz::PackageDir& dir : package.m_dirs) {
        marketRecords += Field(dir.szName) == L"行情数据\\日线" ? 1 : 0;
    }
    Check(marketRecords == 3, "the folder of 1,500 files is packed as three records of its name");
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    Wizard wizard{package};
    if (wizard.OpenTo(setup, {}) && wizard.Install()) {
        CheckInstallation(package, folder, sourceDir, CopiesOf(package, wizard.Styles().front()), 0);
        wizard.Shot(L"52-no-group-settings-page");
    }
    wizard.Close();
    DeleteTree(folder);

    // A silent run killed while it writes the files leaves a log of whole
    // UTF-8 lines up to its last file.
    const std::wstring log = g_shotDir + L"\\killed.log";
    SetupRun run;
    if (Check(run.Start(setup, L"/S \"/LOG=" + log + L"\""), "a silent run starts")) {
        auto written = [&] {
            const std::string text = TextOf(log);
            size_t lines = 0;
            for (size_t at = text.find("\nfile written: "); at != std::string::npos;
                 at = text.find("\nfile written: ", at + 1)) {
                ++lines;
            }
            return lines;
        };
        Check(WaitUntil([&] { return written() >= 100; }, 60000, 1), "the silent run writes files");
        TerminateProcess(run.process.hProcess, 9);
        Check(run.Ended(10000), "the silent run is killed");
        const std::string text = TextOf(log);
        const size_t last = text.rfind("\r\n", text.size() - 3);
        Check(written() < 1500 && text.ends_with("\r\n") && last != std::string::npos &&
                  text.compare(last + 2, 14, "file written: ") == 0 &&
                  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0) > 0,
              "the killed run's log reads as whole UTF-8 lines to its last file:" +
                  text.substr(last == std::string::npos ? 0 : last));
    }
    DeleteTree(folder);
}

// An install folder that cannot be made (a file stands where a folder of its
// path should be): one message says that the installation did not complete
// and names the folder, the wizard stays on the extraction page, and no
// settings file is written anywhere.
void NoFolderScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& workDir) {
    const std::wstring blocker = workDir + L"\\blocker";
    Check(WriteAll(blocker, {}), "a file stands in the install folder's way");
    const std::wstring folder = blocker + L"\\沃兹期货";
    Wizard wizard{package};
    if (!wizard.OpenTo(setup, {folder})) {
        return;
    }
    wizard.NotInstalled(
        L"安装未完成，已写入的文件均已删除。\r\n有 1 项未能完成：\r\n\r\n安装目录 " + folder + L"（无法创建安装目录：",
        folder, "a message says the installation did not complete", L"53-no-install-folder");
    Check(NoSettingsFileIn(workDir) && !Exists(folder), "no settings file outside the install folder");
    wizard.Close();
    DeleteFileW(blocker.c_str());
}

// A default installation of the package into `folder`, closed on the first
// settings page; true when it got there.
bool InstallInto(const std::wstring& setup, const CPackageInfo& package, const std::wstring& folder) {
    Wizard wizard{package};
    if (!wizard.OpenTo(setup, {folder})) {
        return false;
    }
    const bool installed = wizard.Install();
    PostMessageW(wizard.sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    return Check(wizard.run.Ended(10000) && installed, "installed into " + Utf8(folder));
}

// A signed setup installs as usual. A copy whose title was changed after
// signing no longer matches its signature's digest: it says so in one message
// and installs nothing. The copy stays in the work folder for vozpack verify.
void SignedScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir,
                    const std::wstring& folder, const std::wstring& workDir) {
    DemoScenario(setup, package, sourceDir, folder);
    const std::wstring changed = workDir + L"\\changed-setup.exe";
    // The title's first byte, right after its stored length.
    Check(WriteVariant(setup, changed, ReadAll(setup).size(), voz::kPackageOffset + 4, "X"),
          "a signed setup changed after signing");
    const std::wstring installDir = Field(package.m_szInstallDir);
    CleanInstallation(package, installDir);
    ExpectOnlyMessage(
        package, changed,
        L"安装程序的数字签名与文件内容不符，文件在签名后已被改动，无法安装。请从可靠的来源重新下载安装程序。",
        "setup changed after signing", L"32-signature-broken");
    Check(NothingInstalled(package, installDir), "the changed setup installed nothing");
}

// ---- The uninstaller ----

// A text value of the package's app-list entry; "<none>" when there is no such value.
std::wstring AppListValue(const CPackageInfo& package, const wchar_t* name) {
    wchar_t value[MAX_PATH * 2] = {};
    DWORD bytes = sizeof value - sizeof(wchar_t);
    const std::wstring key = kAppListKey + Field(package.m_szTitle);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_SZ | RRF_RT_REG_DWORD, nullptr, value, &bytes) !=
        ERROR_SUCCESS) {
        return L"<none>";
    }
    return value;
}

bool AppListed(const CPackageInfo& package) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (kAppListKey + Field(package.m_szTitle)).c_str(), 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// The installation into `folder` is all there: program, uninstaller, app-list entry, program group.
bool StillInstalled(const CPackageInfo& package, const std::wstring& folder, const std::wstring& uninstaller) {
    return Exists(uninstaller) && Exists(folder + L"\\VozClient.exe") && AppListed(package) &&
           Exists(GroupFolder(package));
}

// The temporary folder, without a trailing backslash.
std::wstring TemporaryFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    std::wstring folder(temp, GetTempPathW(MAX_PATH + 1, temp));
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

// The uninstaller's copies in the temporary folder.
int TemporaryCopies() { return static_cast<int>(FileNames(TemporaryFolder(), L"voz-uninstall-", L".exe").size()); }

// The uninstaller as the program group's link starts it.
std::wstring UninstallerOfLink(const CPackageInfo& package) {
    for (const voz::PackageShortcut& record : package.m_shortcuts) {
        if (record.szTarget[0] == '\0' && record.nPlace == voz::kPlaceGroup) {
            return ReadLink(LinkPath(package, record)).target;
        }
    }
    return L"";
}

// A message box of the uninstaller, in whichever process shows it.
HWND WaitUninstallerMessage(const CPackageInfo& package, const std::string& what) {
    const std::wstring caption = Field(package.m_szTitle) + L" 卸载";
    HWND box = nullptr;
    WaitUntil([&] {
        box = FindWindowW(L"#32770", caption.c_str());
        return box != nullptr && IsWindowVisible(box);
    });
    Check(box != nullptr, what + ": a message captioned \"" + Utf8(caption) + "\"");
    return box;
}

// Answers a message box and waits until it is gone.
void Answer(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    WaitUntil([&] { return !IsWindow(box); });
}

// Runs the uninstaller: its confirmation, which must name title and version,
// gets `confirm`; `treeAnswer`, when given, answers its question whether to
// remove the folder's tree; OK closes its closing message. `shot` is taken of
// the last message not answered with OK. Its copy must be gone at the end.
struct UninstallRun {
    bool started;
    std::wstring question, closing;
};
UninstallRun Uninstall(const CPackageInfo& package, const std::wstring& uninstaller, const std::string& what,
                       const wchar_t* shot = nullptr, int treeAnswer = 0, int confirm = IDYES) {
    SetupRun starter;  // waits for the copy that does the work and ends with its outcome
    UninstallRun run{Check(starter.Start(uninstaller), what + ": the uninstaller starts")};
    if (!run.started) {
        return run;
    }
    auto respond = [&](const std::string& which, int answer, bool shoot) {
        HWND box = WaitUninstallerMessage(package, what + which);
        const std::wstring text = MessageText(box);
        Screenshot(box, shoot ? shot : nullptr);
        Answer(box, answer);
        return text;
    };
    CheckText(respond("", confirm, confirm == IDNO),
              L"确实要卸载 " + Field(package.m_szTitle) + L" " + Field(package.m_szVersion) + L" 及其全部组件吗？",
              what + ": the confirmation names title and version");
    if (confirm == IDYES) {
        run.question = treeAnswer != 0 ? respond(": question", treeAnswer, true) : L"";
        run.closing = respond(": closing message", IDOK, treeAnswer == 0);
    }
    DWORD code = 0;
    const DWORD expected = confirm == IDNO ? 1 : treeAnswer == IDNO ? 4 : 0;
    Check(starter.Ended(15000) && GetExitCodeProcess(starter.process.hProcess, &code) && code == expected,
          what + ": the uninstaller ends with exit code " + std::to_string(code) + ", expected " +
              std::to_string(expected));
    Check(WaitUntil([] { return TemporaryCopies() == 0; }, 15000), what + ": no copy of the uninstaller is left");
    return run;
}

// Every trace the installation made is gone, except the files listed, which
// must stay where they are.
void CheckUninstalled(const CPackageInfo& package, const std::wstring& folder, const std::vector<std::wstring>& kept,
                      const std::string& what) {
    for (const voz::PackageShortcut& record : package.m_shortcuts) {
        const std::wstring link = LinkPath(package, record);
        Check(!Exists(link), what + ": link " + Utf8(link) + " is gone");
    }
    Check(!Exists(GroupFolder(package)), what + ": the program group is gone");
    Check(!Exists(folder + L"\\" + Field(package.m_szUninstaller)), what + ": the uninstaller is gone");
    Check(!AppListed(package), what + ": the app-list entry is gone");
    for (const PackagedFile& file : PackagedFiles(package)) {
        if (std::find(kept.begin(), kept.end(), file.relative) == kept.end()) {
            Check(!Exists(folder + L"\\" + file.relative), what + ": installed " + Utf8(file.relative) + " is gone");
        }
    }
    for (const wchar_t* file : {L"Voz.ini", L"2nd_voz.ini", L"安装日志.txt"}) {
        Check(!Exists(folder + L"\\" + file), what + ": " + Utf8(file) + " is gone");
    }
    for (const std::wstring& file : kept) {
        Check(Exists(folder + L"\\" + file), what + ": " + Utf8(file) + " stays");
    }
    Check(kept.empty() != Exists(folder),
          what + (kept.empty() ? ": the install folder is gone" : ": the folder stays"));
}

// The uninstaller at `path` started by itself, whose data is damaged or whose
// place is refused: it says `message` and ends without making a copy, and the
// installation into `folder` stays whole.
void ExpectUninstallerRefuses(const CPackageInfo& package, const std::wstring& path, const std::wstring& folder,
                              const std::wstring& message, const std::string& what, const wchar_t* shot) {
    SetupRun run;  // the uninstaller itself says what is wrong, before any copy is made
    if (Check(run.Start(path), what + ": the uninstaller starts")) {
        HWND box = WaitUninstallerMessage(package, what);
        CheckText(MessageText(box), message, what + ": message");
        Screenshot(box, shot);
        Answer(box, IDOK);
        Check(run.Ended(10000) && TemporaryCopies() == 0, what + ": the uninstaller ends, no copy made");
    }
    Check(StillInstalled(package, folder, path), what + ": nothing removed");
}

// The sample installed, then uninstalled from the program group's link: the
// confirmation (cancelled once), the removal, the closing message naming
// the file the user made; a folder that held other files keeps them; damaged
// or cut uninstall data removes nothing; without a log the folder's tree
// goes only after a question, and a second run finishes the work.
void UninstallScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& workDir) {
    const std::wstring title = Field(package.m_szTitle);
    const std::wstring folder = workDir + L"\\installed";
    CleanInstallation(package, folder);
    if (!InstallInto(setup, package, folder)) {
        return;
    }
    const std::wstring uninstaller = folder + L"\\" + Field(package.m_szUninstaller);
    CheckText(UninstallerOfLink(package), uninstaller, "the group's link starts the uninstaller");
    const std::pair<const wchar_t*, std::wstring> appList[] = {
        {L"DisplayName", title},
        {L"DisplayVersion", Field(package.m_szVersion)},
        {L"Publisher", Field(package.m_szCompany)},
        {L"InstallLocation", folder},
        {L"DisplayIcon", folder + L"\\" + Field(package.m_szMainExe)},
        {L"UninstallString", L"\"" + uninstaller + L"\""}};
    for (const auto& [name, value] : appList) {
        CheckText(AppListValue(package, name), value, "app list: " + Utf8(name));
    }

    // Cancel at the confirmation removes nothing.
    Uninstall(package, UninstallerOfLink(package), "cancel", L"41-uninstall-confirm", 0, IDNO);
    Check(StillInstalled(package, folder, uninstaller), "cancel removed nothing");

    // A file the user made stays and is named; everything installed goes.
    CreateDirectoryW((folder + L"\\交易记录").c_str(), nullptr);
    WriteVariant(setup, folder + L"\\交易记录\\今日成交.txt", 6, 0, "trades");
    const std::wstring left = Uninstall(package, UninstallerOfLink(package), "uninstall", L"42-uninstall-left").closing;
    Check(left.find(L"以下文件不是安装程序写入的") != std::wstring::npos && left.find(folder) != std::wstring::npos &&
              left.find(L"交易记录\\今日成交.txt") != std::wstring::npos,
          "the closing message names the file left and where: " + Utf8(left));
    CheckUninstalled(package, folder, {L"交易记录\\今日成交.txt"}, "uninstall");
    DeleteTree(folder);

    // Installed into a folder that held other files: only the installed files go.
    const std::wstring shared = workDir + L"\\shared";
    CleanInstallation(package, shared);
    CreateDirectoryW(shared.c_str(), nullptr);
    WriteVariant(setup, shared + L"\\readme.txt", 4, 0, "mine");
    if (InstallInto(setup, package, shared)) {
        const std::wstring text = Uninstall(package, shared + L"\\" + Field(package.m_szUninstaller), "shared").closing;
        Check(text.find(L"readme.txt") != std::wstring::npos, "the closing message names readme.txt");
        CheckUninstalled(package, shared, {L"readme.txt"}, "shared folder");
    }
    DeleteTree(shared);

    // Damaged or cut uninstall data: a clear message, nothing removed.
    if (!InstallInto(setup, package, folder)) {
        return;
    }
    const std::wstring original = workDir + L"\\uninstaller-as-installed.exe";
    CopyFileW(uninstaller.c_str(), original.c_str(), FALSE);
    const std::vector<char> bytes = ReadAll(original);
    const size_t size = bytes.size();
    const std::string changedLog(1, static_cast<char>(bytes[size - 3] ^ 0x55));
    for (const bool cut : {false, true}) {
        const std::string what = cut ? "uninstall data cut short" : "uninstall data a changed log";
        Check(cut ? WriteVariant(original, uninstaller, size - 40, 0, "")
                  : WriteVariant(original, uninstaller, size, size - 3, changedLog),
              what + ": written");
        ExpectUninstallerRefuses(package, uninstaller, folder,
                                 L"卸载程序的卸载数据已损坏或不存在，无法卸载。\r\n没有删除任何文件。", what,
                                 cut ? nullptr : L"43-uninstall-damaged");
    }

    // Started from the desktop, a folder it must never remove: refused.
    const std::wstring desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const std::wstring misplaced = desktop + L"\\" + Field(package.m_szUninstaller);
    if (Check(CopyFileW(original.c_str(), misplaced.c_str(), FALSE) != FALSE, "an uninstaller on the desktop")) {
        ExpectUninstallerRefuses(package, misplaced, folder,
                                 L"卸载程序位于系统文件夹或用户文件夹中：\r\n" + desktop +
                                     L"\r\n\r\n为安全起见，不能从这里卸载，没有删除任何文件。",
                                 "desktop", L"45-uninstall-refused");
        DeleteFileW(misplaced.c_str());
    }

    // No log, as an older setup wrote: links and group go, the folder's tree
    // only after a question; declined, a second run finishes.
    const std::string marker(voz::kInstallLogMarker, sizeof voz::kInstallLogMarker);
    const size_t log = std::string(bytes.begin(), bytes.end()).rfind(marker);
    Check(log != std::string::npos && WriteVariant(original, uninstaller, log, 0, ""), "uninstall data without a log");
    for (const int answer : {IDNO, IDYES}) {
        const std::string what = answer == IDNO ? "no log, declined" : "no log, second run";
        const wchar_t* shot = answer == IDNO ? L"44-uninstall-no-log" : nullptr;
        const UninstallRun run = Uninstall(package, uninstaller, what, shot, answer);
        if (!run.started) {
            continue;
        }
        Check(run.question.find(L"是否删除安装文件夹") != std::wstring::npos &&
                  run.question.find(folder) != std::wstring::npos,
              what + ": the question shows the folder: " + Utf8(run.question));
        Check(!Exists(GroupFolder(package)), what + ": the group is gone");
        Check(Exists(folder + L"\\VozClient.exe") == (answer == IDNO), what + ": the folder's tree as answered");
    }
    Check(!Exists(folder), "no log: the install folder is gone after the second run");
    RegDeleteKeyW(HKEY_CURRENT_USER, (kAppListKey + title).c_str());  // an older setup made none
    DeleteFileW(original.c_str());
}

// The uninstaller, started from the install folder and then working as its
// copy in the temporary folder, loads no DLL planted in either: PLANTED-DIR
// holds a marker-writing DLL under the names of system DLLs, copied into both.
void UninstallPlantedScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& workDir,
                              const std::wstring& plantedDir) {
    const std::wstring folder = workDir + L"\\planted-install";
    CleanInstallation(package, folder);
    if (!InstallInto(setup, package, folder)) {
        return;
    }
    const std::vector<std::wstring> planted = FileNames(plantedDir, L"", L".dll");
    const std::wstring temp = TemporaryFolder();
    for (const std::wstring& target : {folder, temp}) {
        for (const std::wstring& dll : planted) {
            CopyFileW((plantedDir + L"\\" + dll).c_str(), (target + L"\\" + dll).c_str(), FALSE);
        }
    }
    Check(!planted.empty(), "DLLs planted beside the uninstaller and in the temporary folder");
    Uninstall(package, folder + L"\\" + Field(package.m_szUninstaller), "planted");
    for (const std::wstring& target : {folder, temp}) {
        std::string loaded;
        for (const std::wstring& marker : FileNames(target, L"", L".loaded")) {
            loaded += " " + Utf8(marker);
            DeleteFileW((target + L"\\" + marker).c_str());
        }
        Check(loaded.empty(), "the uninstaller loaded no DLL planted in " + Utf8(target) + ":" + loaded);
    }
    for (const std::wstring& dll : planted) {
        DeleteFileW((temp + L"\\" + dll).c_str());
    }
    DeleteTree(folder);
}

// ---- Installing over an installation ----

// Every file under a folder with its bytes, by its path relative to the folder.
std::map<std::wstring, std::vector<char>> Snapshot(const std::wstring& folder) {
    std::map<std::wstring, std::vector<char>> tree;
    std::error_code error;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::filesystem::path(folder), error)) {
        const std::wstring relative = std::filesystem::relative(entry.path(), std::filesystem::path(folder)).wstring();
        tree[relative] = entry.is_directory() ? std::vector<char>() : ReadAll(entry.path().wstring());
    }
    return tree;
}

// True when a file under the folder has a name of the setup's temporary files.
bool HasTemporaryFiles(const std::wstring& folder) {
    for (const auto& [path, bytes] : Snapshot(folder)) {
        if (path.ends_with(L".~vn") || path.ends_with(L".~vo")) {
            return true;
        }
    }
    return false;
}

// How many entries of the app list carry the package's title.
int AppListEntriesOf(const CPackageInfo& package) {
    HKEY list;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kAppListKey.c_str(), 0, KEY_READ, &list) != ERROR_SUCCESS) {
        return 0;
    }
    int count = 0;
    wchar_t name[256];
    for (DWORD i = 0, size = 256;
         RegEnumKeyExW(list, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS; ++i, size = 256) {
        wchar_t shown[256] = {};
        DWORD bytes = sizeof shown - sizeof(wchar_t);
        if (RegGetValueW(list, name, L"DisplayName", RRF_RT_REG_SZ, nullptr, shown, &bytes) == ERROR_SUCCESS &&
            shown == Field(package.m_szTitle)) {
            ++count;
        }
    }
    RegCloseKey(list);
    return count;
}

// The installation into `folder` is whole and the app list has one entry for it, of `version`.
void CheckInstalledVersion(const CPackageInfo& package, const std::wstring& folder, const std::wstring& sourceDir,
                           const std::string& what) {
    CheckInstalledTree(package, folder, sourceDir, CopiesOf(package, Wide(voz::InstallStyles(package).front())));
    CheckShortcutsAndUninstaller(package, folder);
    Check(AppListEntriesOf(package) == 1, what + ": one app-list entry");
    CheckText(AppListValue(package, L"DisplayVersion"), Field(package.m_szVersion), what + ": the entry's version");
    CheckText(AppListValue(package, L"InstallLocation"), folder, what + ": the entry's folder");
    Check(!HasTemporaryFiles(folder), what + ": no temporary file is left");
}

// The names the uninstaller's closing message lists as left, one per line.
std::vector<std::wstring> NamedAsLeft(const std::wstring& closing) {
    std::vector<std::wstring> names;
    const std::wstring line = L"\r\n    ";
    for (size_t at = closing.find(line); at != std::wstring::npos;) {
        const size_t next = closing.find(line, at + line.size());
        names.push_back(closing.substr(at + line.size(), next == std::wstring::npos ? next : next - at - line.size()));
        at = next;
    }
    return names;
}

// With a file the user made in the folder, the uninstall leaves only it and
// the files in `kept`, and names exactly those.
void UninstallKeeping(const CPackageInfo& package, const std::wstring& folder, std::vector<std::wstring> kept,
                      const std::string& what, const wchar_t* shot = nullptr) {
    WriteVariant(folder + L"\\VozClient.exe", folder + L"\\交易记录.txt", 6, 0, "trades");
    kept.push_back(L"交易记录.txt");
    const std::wstring closing =
        Uninstall(package, folder + L"\\" + Field(package.m_szUninstaller), what, shot).closing;
    std::vector<std::wstring> named = NamedAsLeft(closing);
    std::sort(named.begin(), named.end());
    std::sort(kept.begin(), kept.end());
    Check(named == kept, what + ": the closing message names only what the user made or changed: " + Utf8(closing));
    CheckUninstalled(package, folder, kept, what);
    DeleteTree(folder);
}

// The sample installed into a folder of the user's choice; run again, the
// setup proposes that folder and repairs the installation in place, and the
// uninstall after it leaves only the user's file and names only it. The
// upgrade to V6.3 removes the file V6.3 no longer ships, adds its new one and
// leaves one app-list entry, of V6.3; a file V6.3 no longer ships that the
// user changed stays and is named, and the uninstall names it too. With the
// client running (its program held open without sharing, here by the
// driver) Next names the file in a Retry/Cancel message: 取消 leaves the
// installation and its entry as they were, 重试 once the file is free
// completes the upgrade. Without the entry the folder page proposes the
// package's default. The later version is WORK-DIR\later-setup.exe, made
// from WORK-DIR\later-client.
void UpgradeScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir,
                     const std::wstring& workDir) {
    CPackageInfo later;
    voz::LoadPackageFile(later, workDir + L"\\later-setup.exe");
    const std::wstring laterSetup = workDir + L"\\later-setup.exe", laterSource = workDir + L"\\later-client";
    Check(later.m_status.sound() && Field(later.m_szVersion) == L"V6.3", "the later version loads");
    const std::wstring folder = L"C:\\e2e\\我的沃兹";
    const std::wstring news = L"插件\\news.dat", level2 = L"插件\\level2.dat";
    CleanInstallation(package, folder);
    // Runs a setup over the installation in `folder`, which its folder page proposes.
    auto installOver = [&](const std::wstring& path, const CPackageInfo& version, const std::wstring& message,
                           const std::vector<std::wstring>& named, const std::array<const wchar_t*, 2>& shots) {
        Wizard wizard{version};
        wizard.proposed = folder;
        if (wizard.OpenTo(path, {L"", 0, 0, {shots[0]}})) {
            wizard.Install(message, named, shots[1]);
            wizard.Close();
        }
    };

    if (!InstallInto(setup, package, folder)) {
        return;
    }
    installOver(setup, package, L"", {}, {L"61-repair-folder-page", nullptr});
    CheckInstalledVersion(package, folder, sourceDir, "repair");
    UninstallKeeping(package, folder, {}, "uninstall after a repair");

    InstallInto(setup, package, folder);
    installOver(laterSetup, later, L"", {}, {});
    CheckInstalledVersion(later, folder, laterSource, "upgrade");
    Check(!Exists(folder + L"\\" + news) && Exists(folder + L"\\" + level2),
          "the upgrade replaced news.dat by level2.dat");
    UninstallKeeping(later, folder, {}, "uninstall after an upgrade");

    InstallInto(setup, package, folder);
    WriteVariant(folder + L"\\" + news, folder + L"\\" + news, 4, 0, "mine");
    installOver(laterSetup, later, L"安装已完成。\r\n\r\n以下文件在安装后被修改过", {news},
                {nullptr, L"62-upgrade-kept"});
    Check(ReadAll(folder + L"\\" + news) == std::vector<char>{'m', 'i', 'n', 'e'}, "the changed news.dat stays");
    UninstallKeeping(later, folder, {news}, "uninstall after keeping a changed file", L"63-uninstall-kept");

    InstallInto(setup, package, folder);
    HANDLE held =
        CreateFileW((folder + L"\\VozClient.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Check(held != INVALID_HANDLE_VALUE, "the client's program held open without sharing");
    const auto before = Snapshot(folder);  // the held file reads as empty, as it does after
    Wizard wizard{later};
    wizard.proposed = folder;
    if (wizard.OpenTo(laterSetup, {})) {
        const std::wstring inUse =
            L"以下文件正在使用中，无法替换：\r\n\r\n    VozClient.exe\r\n\r\n"
            L"请关闭沃兹期货后点击“重试”；点击“取消”返回。";
        wizard.Next();
        if (HWND box = wizard.ExpectMessage(inUse, "files in use")) {
            Screenshot(box, L"64-files-in-use");
            Answer(box, IDCANCEL);
        }
        ExpectPage(wizard.sheet, kExtractPage, "取消: the wizard stays on the extraction page");
        Check(Snapshot(folder) == before && AppListValue(package, L"DisplayVersion") == L"V6.2",
              "取消: the installation and its entry are as they were");
        wizard.Next();
        HWND box = wizard.ExpectMessage(inUse, "files in use, again");
        CloseHandle(held);
        if (box != nullptr) {
            Answer(box, IDRETRY);
            wizard.Installation();
        }
        wizard.Close();
    }
    CheckInstalledVersion(later, folder, laterSource, "重试 once the client ended");

    RegDeleteKeyW(HKEY_CURRENT_USER, (kAppListKey + Field(package.m_szTitle)).c_str());
    Wizard fresh{later};
    if (fresh.Open(laterSetup)) {
        fresh.FolderPage(nullptr);  // the package's default
        fresh.Close();
    }
    CleanInstallation(package, folder);
}

// Fills the drive of `folder` up to its last bytes with a file there.
void FillDrive(const std::wstring& filler) {
    HANDLE file = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    std::vector<char> chunk(1 << 20);
    DWORD written = 1;
    for (size_t size = chunk.size(); size >= 512; size /= 2) {
        while (WriteFile(file, chunk.data(), static_cast<DWORD>(size), &written, nullptr) && written == size) {
        }
    }
    CloseHandle(file);
}

// A large package (SETUP.exe, and WORK-DIR\later-setup.exe its later
// version of the same tree): the setup killed while it extracts leaves
// neither an uninstaller nor an app-list entry; run again it completes the
// installation, no temporary file remains, and the uninstall after it leaves
// nothing. On DRIVE (a small volume; "-" where none could be made): with too
// little space from the start the page says how much is needed and how much
// there is, and stays; a disk that fills part-way leaves nothing of a fresh
// installation and, on an upgrade, the earlier installation as it was, which
// then uninstalls cleanly; each time the message says so.
void InterruptedScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir,
                         const std::wstring& workDir, const std::wstring& drive) {
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    {
        Wizard wizard{package};
        if (!wizard.OpenTo(setup, {})) {
            return;
        }
        HWND progress = wizard.Control(1010);
        wizard.Next();
        Check(WaitUntil([&] { return IsWindowVisible(progress) && Send(progress, PBM_GETPOS) > 0; }, 10000, 1),
              "the large package is being extracted");
        const LRESULT done = Send(progress, PBM_GETPOS);
        TerminateProcess(wizard.run.process.hProcess, 1);
        Check(wizard.run.Ended(10000) && done < 100, "the setup killed part-way, at " + std::to_string(done) + "%");
    }
    Check(!Exists(folder + L"\\" + Field(package.m_szUninstaller)) && !AppListed(package),
          "killed: no uninstaller and no app-list entry");
    if (InstallInto(setup, package, folder)) {
        CheckInstalledVersion(package, folder, sourceDir, "the run after the killed one");
        UninstallKeeping(package, folder, {}, "uninstall after the killed run");
    }
    if (drive == L"-") {
        return;
    }
    CPackageInfo later;
    voz::LoadPackageFile(later, workDir + L"\\later-setup.exe");
    const std::wstring onDrive = drive + L"\\沃兹期货", filler = drive + L"\\filler.bin";
    {
        FillDrive(filler);
        Wizard wizard{package};
        if (wizard.OpenTo(setup, {onDrive})) {
            wizard.NotInstalled(L"目标磁盘空间不足：安装需要 ", L"请释放磁盘空间", "too little space from the start",
                                L"65-disk-space");
            Check(!Exists(onDrive), "too little space: nothing written");
            DeleteFileW(filler.c_str());
            wizard.NotInstalled(L"安装未完成，已写入的文件均已删除。", L"文件",
                                "a fresh installation on a disk that fills", L"66-disk-full-fresh",
                                [&] { FillDrive(filler); });
            Check(!Exists(onDrive) && !AppListed(package), "disk full: nothing of the fresh installation is left");
            wizard.Close();
        }
        DeleteFileW(filler.c_str());
    }
    if (!InstallInto(setup, package, onDrive)) {
        return;
    }
    const auto before = Snapshot(onDrive);
    {
        Wizard wizard{later};
        wizard.proposed = onDrive;
        if (wizard.OpenTo(workDir + L"\\later-setup.exe", {})) {
            wizard.NotInstalled(L"安装未完成，原有的安装保持不变。", L"文件", "an upgrade on a disk that fills",
                                L"67-disk-full-upgrade", [&] { FillDrive(filler); });
            wizard.Close();
        }
    }
    DeleteFileW(filler.c_str());
    Check(Snapshot(onDrive) == before && AppListValue(package, L"DisplayVersion") == Field(package.m_szVersion),
          "disk full: the earlier installation and its entry are as they were");
    UninstallKeeping(package, onDrive, {}, "uninstall after the failed upgrade");
}

// ---- Silent runs ----

// Runs a program with its arguments to its end; its exit code, or -1 when it
// did not end within the time limit (a window waiting for an answer, say).
int RunToEnd(const std::wstring& program, const std::wstring& arguments, DWORD timeoutMs = 120000) {
    SetupRun run;
    DWORD code = 0;
    if (!run.Start(program, arguments) || !run.Ended(timeoutMs) || !GetExitCodeProcess(run.process.hProcess, &code)) {
        return -1;
    }
    return static_cast<int>(code);
}

// What an installation into `folder` made outside its tree, in one text: the
// app-list entry's values and each link's target, working folder and icon.
std::wstring InstallationFacts(const CPackageInfo& package) {
    std::wstring facts;
    for (const wchar_t* name : {L"DisplayName", L"DisplayVersion", L"Publisher", L"InstallLocation", L"DisplayIcon",
                                L"UninstallString", L"EstimatedSize"}) {
        facts += name + (L"=" + AppListValue(package, name)) + L"\n";
    }
    for (const voz::PackageShortcut& record : package.m_shortcuts) {
        const Link link = ReadLink(LinkPath(package, record));
        facts +=
            LinkPath(package, record) + L": " + link.target + L" | " + link.workingFolder + L" | " + link.icon + L"\n";
    }
    return facts;
}

// The installation's facts and its two settings files, kept in the work
// folder (the silent run) or compared with what was kept (the wizard's).
void KeepOrCompare(const CPackageInfo& package, const std::wstring& folder, const std::wstring& workDir, bool keep) {
    const std::wstring facts = InstallationFacts(package);
    const std::vector<char> factBytes(reinterpret_cast<const char*>(facts.data()),
                                      reinterpret_cast<const char*>(facts.data() + facts.size()));
    const std::pair<std::wstring, std::vector<char>> kept[] = {{L"facts", factBytes},
                                                               {L"Voz.ini", ReadAll(folder + L"\\Voz.ini")},
                                                               {L"2nd_voz.ini", ReadAll(folder + L"\\2nd_voz.ini")}};
    for (const auto& [name, bytes] : kept) {
        const std::wstring path = workDir + L"\\silent-" + name;
        if (keep) {
            Check(!bytes.empty() && WriteAll(path, bytes), "kept " + Utf8(name) + " of the silent installation");
        } else {
            Check(ReadAll(path) == bytes, Utf8(name) + " as after the silent installation:\n" + TextOf(path) + "\n" +
                                              std::string(bytes.begin(), bytes.end()));
        }
    }
}

// Voz.ini as a silent installation leaves it: the style's copy of `source`
// with every key stored as the settings pages store them untouched.
std::string SilentVozIni(const std::wstring& source) {
    voz::CIniFile file;
    voz::CClientSettings record = SettingsOf(ReadAll(source), file);
    voz::StoreUntouchedPages(record);
    record.WriteTo(file);
    return file.Bytes();
}

// setup.exe /S, run where there is no display: the sample installs with the
// package's choices (kept for silent-compare) or those of the switches, and is
// removed by 卸载.exe /S; a bad switch, a damaged setup and a signed setup
// changed after signing end with their codes, writing nothing. Each run must
// end within its time limit; the script checks that none tried to open a window.
void SilentScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& workDir,
                    const std::wstring& sourceDir, const std::wstring& folder) {
    const std::wstring defaultFolder = Field(package.m_szInstallDir);
    const std::wstring styled = L"C:\\e2e\\风格 安装";
    for (const std::wstring& f : {folder, defaultFolder, styled}) {
        CleanInstallation(package, f);
    }
    RegDeleteKeyW(HKEY_CURRENT_USER, (kAppListKey + Field(package.m_szTitle)).c_str());
    const std::wstring log = TemporaryFolder() + L"\\" + Field(package.m_szTitle) + L"安装日志.txt";
    const std::wstring signedSetup = workDir + L"\\signed-setup.exe";
    const std::wstring changed = workDir + L"\\changed-setup.exe";
    const std::wstring damaged = workDir + L"\\damaged-setup.exe";
    const std::wstring blocker = workDir + L"\\blocker";  // a file where the install folder's parent should be
    Check(WriteVariant(signedSetup, changed, ReadAll(signedSetup).size(), voz::kPackageOffset + 4, "X") &&
              WriteVariant(setup, damaged, ReadAll(setup).size() - 100, 0, "MZ") && WriteAll(blocker, {'x'}),
          "a signed setup changed after signing, a damaged one and a file in the install folder's way");
    const struct {
        std::wstring program, arguments;
        int code;
    } refused[] = {{setup, L"/S /D=Client", 2},
                   {setup, L"/S /X /D=" + folder, 2},
                   {setup, L"/S /STYLE=豪华版 /D=" + folder, 2},
                   {damaged, L"/S /D=" + folder, 5},
                   {changed, L"/S /D=" + folder, 5},
                   {setup, L"/S /D=" + blocker + L"\\沃兹期货", 6}};
    for (const auto& run : refused) {
        const std::string what = Utf8(run.program + L" " + run.arguments);
        const int code = RunToEnd(run.program, run.arguments);
        Check(code == run.code,
              what + ": exit code " + std::to_string(code) + ", expected " + std::to_string(run.code));
        Check(NothingInstalled(package, folder) && NothingInstalled(package, defaultFolder) && !AppListed(package),
              what + ": nothing installed");
    }
    CheckLogLines(TextOf(TemporaryFolder() + L"\\Voz安装日志.txt"),
                  {"package: missing or damaged", "signature: digest does NOT match the file", "exit code 5 "},
                  "the changed setup's log, named Voz's");

    Check(RunToEnd(setup, L"/S /D=" + folder) == 0, "setup /S /D=" + Utf8(folder) + ": exit code 0");
    CheckInstallation(package, folder, sourceDir, CopiesOf(package, L"全功能版"), package.m_nDefaultOrderSoftware,
                      {L"Voz.ini"});
    Check(TextOf(folder + L"\\Voz.ini") == SilentVozIni(sourceDir + L"\\配置\\全功能Voz.ini"),
          "Voz.ini of the first style");
    const std::string text = TextOf(log);
    CheckLogLines(text,
                  {"setup: ", "package: 沃兹期货 V6.2", "signature: none", "command line: ", "system: Windows ",
                   "install folder: " + Utf8(folder), "install style: 全功能版", "order software: MainTrade=0 ",
                   "file written: VozClient.exe", "link: ", "app list entry: 沃兹期货 -> " + Utf8(folder),
                   "settings written: Voz.ini", "exit code 0 (installed)"},
                  "the silent installation's log");
    Check(TextOf(folder + L"\\安装日志.txt") == text, "the log continued in the install folder is the whole log");
    KeepOrCompare(package, folder, workDir, true);

    // Run again without /D=, the setup takes the earlier installation's
    // folder; with the client's program held there it changes nothing and
    // ends with code 3, and once the program is free it repairs it in place.
    HANDLE held =
        CreateFileW((folder + L"\\VozClient.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const auto before = Snapshot(folder);  // the held file reads as empty, as it does after
    Check(RunToEnd(setup, L"/S") == 3, "setup /S over the running client: exit code 3");
    Check(Snapshot(folder) == before, "files in use: the installation is as it was");
    CloseHandle(held);
    CheckLogLines(TextOf(log),
                  {"earlier installation: " + Utf8(folder), "in use by another program: VozClient.exe",
                   "exit code 3 (files in use, nothing changed)"},
                  "the log of the silent run over the running client");
    Check(RunToEnd(setup, L"/S") == 0 && !Exists(defaultFolder), "setup /S repairs the earlier installation");
    CheckInstallation(package, folder, sourceDir, CopiesOf(package, L"全功能版"), package.m_nDefaultOrderSoftware,
                      {L"Voz.ini"});

    // 卸载.exe /S: its exit code comes once everything but itself is gone.
    WriteVariant(setup, folder + L"\\交易记录.txt", 6, 0, "trades");
    Check(RunToEnd(folder + L"\\" + Field(package.m_szUninstaller), L"/S") == 0, "卸载.exe /S: exit code 0");
    Check(!AppListed(package) && !Exists(folder + L"\\VozClient.exe") && !Exists(folder + L"\\安装日志.txt"),
          "卸载.exe /S: the work is done when it ends");
    Check(WaitUntil([&] { return !Exists(folder + L"\\" + Field(package.m_szUninstaller)); }, 5000) &&
              WaitUntil([] { return TemporaryCopies() == 0; }, 15000),
          "卸载.exe /S: the uninstaller and its copy go right after");
    CheckUninstalled(package, folder, {L"交易记录.txt"}, "卸载.exe /S");
    CheckLogLines(TextOf(TemporaryFolder() + L"\\" + Field(package.m_szTitle) + L"卸载日志.txt"),
                  {"removed: " + Utf8(folder) + "\\VozClient.exe", "exit code 0 (removed)"}, "the uninstaller's log");
    DeleteTree(folder);

    Check(RunToEnd(setup, L"/S /STYLE=精简版 /ORDER=2 /D=" + styled) == 0, "/STYLE=精简版 /ORDER=2: exit code 0");
    CheckInstallation(package, styled, sourceDir, CopiesOf(package, L"精简版"), 2, {L"Voz.ini"});
    Check(TextOf(styled + L"\\Voz.ini") == SilentVozIni(sourceDir + L"\\配置\\精简Voz.ini"), "Voz.ini of 精简版");
    CleanInstallation(package, styled);
    RegDeleteKeyW(HKEY_CURRENT_USER, (kAppListKey + Field(package.m_szTitle)).c_str());
}

// The wizard's default installation into the silent run's folder, its
// settings pages left as they came: everything the silent run kept is the same.
void SilentCompareScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir,
                           const std::wstring& folder) {
    DemoScenario(setup, package, sourceDir, folder);
    KeepOrCompare(package, folder, g_shotDir, false);
    CleanInstallation(package, folder);
}

// ---- Timing, for bench/install_bench.sh ----

// The installation into FOLDER, timed from Next on the extraction page to its
// end: the first settings page, or the message listing what could not be done
// (a tree without the client's Voz.ini gets one), which is then closed.
// Prints "installation: N ms" and closes the setup.
void TimeScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& folder) {
    RegDeleteKeyW(HKEY_CURRENT_USER, (kAppListKey + Field(package.m_szTitle)).c_str());  // the run before's
    Wizard wizard{package};
    if (!wizard.OpenTo(setup, {folder})) {
        return;
    }
    HWND box = nullptr;
    const ULONGLONG start = GetTickCount64();
    wizard.Next();
    const bool ended = WaitUntil(
        [&] {
            box = wizard.OtherWindow();
            return box != nullptr || PageIndex(wizard.sheet) == kToolbarPage;
        },
        600000);
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (!Check(ended, "the installation ends")) {
        return;
    }
    std::printf("installation: %llu ms\n", elapsed);
    if (box != nullptr) {
        std::printf("message: %s\n", Utf8(MessageText(box)).c_str());
        wizard.CloseMessage(box, "the message after the installation");
    }
    ExpectPage(wizard.sheet, kToolbarPage, "first settings page");
    wizard.Close();
}

// The setup's start, timed from the creation of its process to its visible
// welcome window, and the peak memory of its process by then. Prints
// "startup: N us", "peak working set: N KiB" and "peak commit: N KiB", then
// ends the setup with "退出安装".
void StartupScenario(const std::wstring& setup, const CPackageInfo& package) {
    Wizard wizard{package};
    const std::wstring caption = wizard.Caption();
    LARGE_INTEGER frequency, start, shown;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!Check(wizard.run.Start(setup), "setup starts")) {
        return;
    }
    // Returns once the setup first waits for input; the welcome window is
    // then looked for every millisecond, so the time is not rounded to a
    // coarser polling step.
    WaitForInputIdle(wizard.run.process.hProcess, 15000);
    wizard.welcome = WaitTopWindow(
        wizard.run.Id(), [&](HWND w) { return IsDialog(w) && Text(w) == caption; }, 15000, 1);
    QueryPerformanceCounter(&shown);
    if (!Check(wizard.welcome != nullptr, "welcome window with caption \"" + Utf8(caption) + "\"")) {
        return;
    }
    PROCESS_MEMORY_COUNTERS memory = {sizeof memory};
    if (Check(GetProcessMemoryInfo(wizard.run.process.hProcess, &memory, sizeof memory) != FALSE,
              "the setup's memory counters")) {
        std::printf("startup: %lld us\n", (shown.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
        std::printf("peak working set: %llu KiB\n", static_cast<unsigned long long>(memory.PeakWorkingSetSize / 1024));
        std::printf("peak commit: %llu KiB\n", static_cast<unsigned long long>(memory.PeakPagefileUsage / 1024));
    }
    Click(GetDlgItem(wizard.welcome, IDCANCEL));
    Check(wizard.run.Ended(10000), "\"退出安装\" ends the program");
}

// Runs PROGRAM with ARGUMENTS to its end; prints "run: N ms" from its start
// to its exit, and returns its exit code.
int TimeProgram(const std::wstring& program, const std::wstring& arguments) {
    SetupRun run;
    const ULONGLONG start = GetTickCount64();
    if (!run.Start(program, arguments)) {
        std::fprintf(stderr, "cannot start %s\n", Utf8(program).c_str());
        return 2;
    }
    run.Ended(INFINITE);
    const ULONGLONG elapsed = GetTickCount64() - start;
    DWORD code = 1;
    GetExitCodeProcess(run.process.hProcess, &code);
    std::printf("run: %llu ms\n", elapsed);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(
            stderr,
            "usage: setup_driver install|variant|quit|unsaved|demo|signed|broken|folders|nogroup|"
            "nofolder|uninstall|uninstall-planted|upgrade|interrupted|time|startup|run-timed SETUP.exe WORK-DIR "
            "[SOURCE-DIR|STUB|PLANTED-DIR] [FOLDER|DRIVE]\n");
        return 2;
    }
    if (std::wstring(argv[1]) == L"run-timed") {
        return TimeProgram(argv[2], argc > 4 ? argv[4] : L"");
    }
    CoInitialize(nullptr);
    g_underWine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    const std::wstring scenario = argv[1];
    const std::wstring setup = argv[2];
    g_shotDir = argv[3];
    CPackageInfo package;
    voz::LoadPackageFile(package, setup);
    const std::wstring extra = argc > 4 ? Backslashed(argv[4]) : L"";
    const std::wstring folder = argc > 5 ? Backslashed(argv[5]) : L"";
    Check(package.m_status.sound(), "the package loads");
    const std::pair<const wchar_t*, std::function<void()>> scenarios[] = {
        {L"install", [&] { InstallScenario(setup, package, extra); }},
        {L"variant", [&] { VariantScenario(setup, package, extra); }},
        {L"quit", [&] { QuitScenario(setup, package, g_shotDir); }},
        {L"demo", [&] { DemoScenario(setup, package, extra, folder); }},
        {L"signed", [&] { SignedScenario(setup, package, extra, folder, g_shotDir); }},
        {L"unsaved", [&] { UnsavedScenario(setup, package); }},
        {L"broken", [&] { BrokenScenario(setup, package, extra, g_shotDir); }},
        {L"folders", [&] { FoldersScenario(setup, package); }},
        {L"nogroup", [&] { NoGroupScenario(setup, package, extra); }},
        {L"nofolder", [&] { NoFolderScenario(setup, package, g_shotDir); }},
        {L"uninstall-planted", [&] { UninstallPlantedScenario(setup, package, g_shotDir, extra); }},
        {L"uninstall", [&] { UninstallScenario(setup, package, g_shotDir); }},
        {L"silent", [&] { SilentScenario(setup, package, g_shotDir, extra, folder); }},
        {L"silent-compare", [&] { SilentCompareScenario(setup, package, extra, folder); }},
        {L"upgrade", [&] { UpgradeScenario(setup, package, extra, g_shotDir); }},
        {L"interrupted", [&] { InterruptedScenario(setup, package, extra, g_shotDir, folder); }},
        {L"time", [&] { TimeScenario(setup, package, extra); }},
        {L"startup", [&] { StartupScenario(setup, package); }}};
    const auto chosen = std::find_if(std::begin(scenarios), std::end(scenarios),
                                     [&](const auto& entry) { return scenario == entry.first; });
    if (chosen == std::end(scenarios)) {
        std::fprintf(stderr, "unknown scenario\n");
        return 2;
    }
    chosen->second();
    return voz::test::ReportChecks();
}
