// Drives the real setup program as a user would and checks what it shows and
// what it installs. Test-only: it starts setup.exe, finds its windows, clicks
// buttons, types into the folder field, picks list entries and reads
// captions, texts and button states; then it checks the installed tree, the
// shortcuts, the uninstall data and the order software setting.
//
//   setup_driver install SETUP.exe WORK-DIR SOURCE-DIR
//   setup_driver variant SETUP.exe WORK-DIR SOURCE-DIR
//   setup_driver quit    SETUP.exe WORK-DIR
//   setup_driver unsaved SETUP.exe WORK-DIR SOURCE-DIR
//   setup_driver demo    SETUP.exe WORK-DIR SOURCE-DIR FOLDER
//   setup_driver broken  SETUP.exe WORK-DIR STUB.exe
//   setup_driver folders SETUP.exe WORK-DIR
//   setup_driver nogroup SETUP.exe WORK-DIR SOURCE-DIR
//   setup_driver nofolder SETUP.exe WORK-DIR
//   setup_driver uninstall SETUP.exe WORK-DIR
//   setup_driver uninstall-planted SETUP.exe WORK-DIR PLANTED-DIR
//   setup_driver time    SETUP.exe WORK-DIR FOLDER
//   setup_driver run-timed PROGRAM.exe WORK-DIR "ARGUMENTS"
//
// install: the sample package, every screen, Back and Next, the whole
// installation, then the settings pages up to Finish. variant: a package with an order software default outside
// the list and repeated style labels, installed with the preselected
// choices (run with a system code page other than 936). quit: "退出安装" and
// the wizard's close box end the program without writing anything; closed on
// a settings page after an installation, Voz.ini stays unchanged. unsaved:
// Finish cannot replace a Voz.ini held open and says so in one message. demo:
// a default installation into FOLDER with a screenshot of every screen. broken:
// the bare stub, and copies of SETUP.exe cut short and damaged, say so in one
// message and install nothing. folders: an empty or relative folder at Next
// on the extraction page gives one message and the page stays. nogroup: a
// package without a program-group name installs without any message.
// nofolder: an install folder that cannot be made ends in one message that
// the installation did not complete. uninstall: the sample installed into
// WORK-DIR and removed again by 卸载.exe, with its confirmation (cancelled
// once), its closing message, a folder that held other files, damaged
// uninstall data and a log missing. uninstall-planted: the sample installed
// and removed with a marker-writing DLL planted beside 卸载.exe and in the
// temporary folder under the names of system DLLs, none of which may be
// loaded. time: the installation into FOLDER, timed (see TimeScenario).
// run-timed: PROGRAM run to its end, timed. SOURCE-DIR is the client tree the package was
// made from. WORK-DIR receives NAME.request files, which the script that runs
// the driver turns into screenshots of the display, NAME.png, deleting the
// request; the broken scenario also writes its setups there.
// Expected values come from the package itself, read with the package loader,
// and from the texts the setup is specified to show.
//
// Prints one line per failed check and "N passed, N failed"; exits non-zero
// when anything failed.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "os/text_encoding.h"
#include "os/file.h"
#include "package/install_paths.h"
#include "package/package_loader.h"
#include "package/uninstall_data.h"
#include "settings/client_settings.h"
#include "settings/ini_file.h"
#include "wizard/install_styles.h"

namespace {

using voz::CPackageInfo;

int g_passed = 0;
int g_failed = 0;
bool g_underWine = false;

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool Check(bool ok, const std::string& what) {
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAILED: %s\n", what.c_str());
        std::fflush(stdout);
    }
    return ok;
}

bool CheckText(const std::wstring& actual, const std::wstring& expected, const std::string& what) {
    return Check(actual == expected, what + ": \"" + Utf8(actual) + "\", expected \"" + Utf8(expected) + "\"");
}

std::wstring Wide(std::string_view gbk) { return voz::os::GbkToWide(gbk).value_or(L"<not GBK>"); }

template <size_t N>
std::wstring Field(const char (&field)[N]) {
    return Wide(voz::FieldText(field));
}

// Polls a condition every 10 ms until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount64() > end) {
            return false;
        }
        Sleep(10);
    }
}

// ---- Windows of another process ----

std::wstring Text(HWND window) {
    DWORD_PTR length = 0;
    if (window == nullptr ||
        !SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
        return L"<no window>";
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        5000, &got);
    text.resize(got);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
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

HWND WaitTopWindow(DWORD process, const std::function<bool(HWND)>& condition, DWORD timeoutMs = 15000) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            std::vector<HWND> windows = TopWindows(process, condition);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool IsDialog(HWND window) { return ClassName(window) == L"#32770"; }

std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> entries;
    const LRESULT count = Send(combo, CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i));
        std::wstring entry(static_cast<size_t>(length) + 1, L'\0');
        Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(entry.data()));
        entry.resize(static_cast<size_t>(length));
        entries.push_back(entry);
    }
    return entries;
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

// ---- Screenshots ----

std::wstring g_shotDir;

// Asks the script for a screenshot of the display once the window has been
// repainted, and waits until it is taken.
void Screenshot(HWND window, const std::wstring& name) {
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

// ---- The setup process ----

struct SetupRun {
    PROCESS_INFORMATION process = {};

    bool Start(const std::wstring& setup) {
        STARTUPINFOW startup = {sizeof startup};
        std::wstring command = L"\"" + setup + L"\"";
        return CreateProcessW(setup.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &process);
    }
    DWORD Id() const { return process.dwProcessId; }
    bool Ended(DWORD timeoutMs) const { return WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0; }
    // Ends a process the checks left running, so that one failure does not hang the run.
    void Finish() {
        if (process.hProcess != nullptr) {
            if (!Ended(0)) {
                TerminateProcess(process.hProcess, 1);
                WaitForSingleObject(process.hProcess, 5000);
            }
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            process = {};
        }
    }
    ~SetupRun() { Finish(); }
};

const std::wstring kWelcomePrefix = L"欢迎使用";

std::wstring ExpectedCaption(const CPackageInfo& package) {
    return kWelcomePrefix + Field(package.m_szTitle) + L" " + Field(package.m_szVersion) + L" ";
}

HWND WaitWelcome(const SetupRun& run, const CPackageInfo& package) {
    return WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && Text(w) == ExpectedCaption(package); });
}

// Starts the setup and waits for its welcome window; null, with the failed
// check reported, when either does not happen.
HWND StartSetup(SetupRun& run, const std::wstring& setup, const CPackageInfo& package) {
    if (!Check(run.Start(setup), "setup starts")) {
        return nullptr;
    }
    HWND welcome = WaitWelcome(run, package);
    Check(welcome != nullptr, "welcome window with caption \"" + Utf8(ExpectedCaption(package)) + "\"");
    return welcome;
}

// The wizard's buttons, by the common controls' ids.
constexpr int kBack = 0x3023;
constexpr int kNext = 0x3024;
constexpr int kFinish = 0x3025;

struct Buttons {
    bool back, next, finish;
    bool operator==(const Buttons&) const = default;
};

bool Active(HWND sheet, int id) {
    HWND button = GetDlgItem(sheet, id);
    return button != nullptr && IsWindowVisible(button) && IsWindowEnabled(button);
}

Buttons WizardButtons(HWND sheet) { return {Active(sheet, kBack), Active(sheet, kNext), Active(sheet, kFinish)}; }

std::string Describe(const Buttons& b) {
    return std::string(b.back ? "Back " : "") + (b.next ? "Next " : "") + (b.finish ? "Finish" : "") +
           (!b.back && !b.next && !b.finish ? "none" : "");
}

int PageIndex(HWND sheet) {
    HWND page = reinterpret_cast<HWND>(Send(sheet, PSM_GETCURRENTPAGEHWND));
    return page == nullptr ? -1 : static_cast<int>(Send(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page)));
}

HWND CurrentPage(HWND sheet) { return reinterpret_cast<HWND>(Send(sheet, PSM_GETCURRENTPAGEHWND)); }

// Waits for the wizard to show a page with the given buttons (they are set by
// a posted message, so they settle a moment after the page appears).
bool ExpectPage(HWND sheet, int index, Buttons buttons, const std::string& what) {
    const bool settled = WaitUntil([&] { return PageIndex(sheet) == index && WizardButtons(sheet) == buttons; });
    return Check(settled, what + ": page " + std::to_string(PageIndex(sheet)) + " with " +
                              Describe(WizardButtons(sheet)) + ", expected page " + std::to_string(index) +
                              " with " + Describe(buttons));
}

void PressNext(HWND sheet) { Click(GetDlgItem(sheet, kNext)); }
void PressBack(HWND sheet) { Click(GetDlgItem(sheet, kBack)); }

// ---- Files ----

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<char> ReadAll(const std::wstring& path) {
    std::vector<char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty()) {
        ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    }
    CloseHandle(file);
    return bytes;
}

void DeleteTree(const std::wstring& path) {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(child);
            } else {
                SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::wstring LinkFolder(const CPackageInfo& package, int place) {
    return place == voz::kPlaceDesktop ? SpecialFolder(CSIDL_DESKTOPDIRECTORY)
                                       : SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup);
}

// Removes what an installation of the package into `folder` leaves behind.
void CleanInstallation(const CPackageInfo& package, const std::wstring& folder) {
    DeleteTree(folder);
    for (int i = 0; i < package.m_nShortcutCount; ++i) {
        const voz::PackageShortcut& link = package.m_shortcuts[i];
        DeleteFileW((LinkFolder(package, link.nPlace) + L"\\" + Field(link.szLinkName)).c_str());
    }
    RemoveDirectoryW((SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup)).c_str());
}

// True when no trace of an installation into `folder` exists.
bool NothingInstalled(const CPackageInfo& package, const std::wstring& folder) {
    if (Exists(folder) || Exists(SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup))) {
        return false;
    }
    for (int i = 0; i < package.m_nShortcutCount; ++i) {
        if (package.m_shortcuts[i].nPlace == voz::kPlaceDesktop &&
            Exists(LinkFolder(package, voz::kPlaceDesktop) + L"\\" + Field(package.m_shortcuts[i].szLinkName))) {
            return false;
        }
    }
    return true;
}

bool SameTime(const FILETIME& actual, const voz::PackageTime& expected) {
    SYSTEMTIME st;
    std::memcpy(&st, &expected, sizeof st);
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    return CompareFileTime(&actual, &ft) == 0;
}

std::wstring Backslashed(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return path;
}

struct StyleCopy {
    std::wstring source, dest;
};

// Checks every packaged file under `folder` against the source tree: its
// bytes and recorded times, or for the destination of one of the style's
// copies, the copied file's bytes; removed folders must be gone. Files in
// `blocked` could not be written and are left out.
void CheckInstalledTree(const CPackageInfo& package, const std::wstring& folder, const std::wstring& sourceDir,
                        const std::vector<StyleCopy>& copies, const std::vector<std::wstring>& blocked = {}) {
    int files = 0;
    for (int d = 0; d < package.m_nDirCount; ++d) {
        const voz::PackageDir& dir = package.m_dirs[d];
        const std::wstring relativeDir = Field(dir.szName);
        bool removed = false;
        for (int r = 0; r < package.m_nRemoveCount; ++r) {
            const std::wstring remove = Field(package.m_szRemove[r]);
            removed |= relativeDir == remove || relativeDir.rfind(remove + L"\\", 0) == 0;
        }
        const std::wstring installedDir = relativeDir.empty() ? folder : folder + L"\\" + relativeDir;
        if (removed) {
            Check(!Exists(installedDir), "removed folder " + Utf8(installedDir) + " is gone");
            continue;
        }
        for (int f = 0; f < dir.nFileCount; ++f) {
            const voz::PackageFile& file = dir.files[f];
            const std::wstring relative = (relativeDir.empty() ? L"" : relativeDir + L"\\") + Field(file.szName);
            const std::wstring installed = folder + L"\\" + relative;
            bool copied = false;
            for (const StyleCopy& copy : copies) {
                copied |= copy.dest == relative;
            }
            if (std::find(blocked.begin(), blocked.end(), relative) != blocked.end()) {
                continue;
            }
            ++files;
            if (!copied) {
                // Times first: reading the file moves its last-access time. A
                // copy keeps the copied file's times. Wine keeps the creation
                // time of the Unix file system, which cannot be set, so the
                // creation time is checked on Windows only.
                HANDLE h = CreateFileW(installed.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                       nullptr);
                FILETIME creation = {}, access = {}, write = {};
                GetFileTime(h, &creation, &access, &write);
                CloseHandle(h);
                Check(SameTime(write, file.stLastWrite) && SameTime(access, file.stLastAccess) &&
                          (g_underWine || SameTime(creation, file.stCreation)),
                      "installed " + Utf8(relative) + " has the recorded times");
            }
            if (!copied) {
                Check(Exists(installed) && ReadAll(installed) == ReadAll(sourceDir + L"\\" + relative),
                      "installed " + Utf8(relative) + " holds the source's bytes");
            }
        }
    }
    Check(files > 0, "the package installs files");
    // The chosen style's copies, in record order: the last copy onto a
    // destination decides its bytes.
    for (size_t i = 0; i < copies.size(); ++i) {
        bool overwritten = false;
        for (size_t j = i + 1; j < copies.size(); ++j) {
            overwritten |= copies[j].dest == copies[i].dest;
        }
        if (!overwritten) {
            Check(ReadAll(folder + L"\\" + copies[i].dest) == ReadAll(sourceDir + L"\\" + copies[i].source),
                  "style copy " + Utf8(copies[i].source) + " -> " + Utf8(copies[i].dest));
        }
    }
}

// The copy records of one style, in record order.
std::vector<StyleCopy> CopiesOf(const CPackageInfo& package, const std::wstring& style) {
    std::vector<StyleCopy> copies;
    for (int i = 0; i < package.m_nCopyCount; ++i) {
        if (Field(package.m_copies[i].szStyle) == style) {
            copies.push_back({Field(package.m_copies[i].szSource), Field(package.m_copies[i].szDest)});
        }
    }
    return copies;
}

struct Link {
    std::wstring target, workingFolder, icon;
};

Link ReadLink(const std::wstring& path) {
    Link link;
    IShellLinkW* shellLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
                wchar_t text[MAX_PATH] = {};
                shellLink->GetPath(text, MAX_PATH, nullptr, 0);
                link.target = Backslashed(text);
                text[0] = L'\0';
                shellLink->GetWorkingDirectory(text, MAX_PATH);
                link.workingFolder = text;
                int index = 0;
                text[0] = L'\0';
                shellLink->GetIconLocation(text, MAX_PATH, &index);
                link.icon = text;
            }
            file->Release();
        }
        shellLink->Release();
    }
    return link;
}

// Checks the links against the package's shortcut records, and the uninstall
// table and install log after the uninstaller's program image.
void CheckShortcutsAndUninstaller(const CPackageInfo& package, const std::wstring& folder) {
    std::vector<std::wstring> linkPaths;
    for (int i = 0; i < package.m_nShortcutCount; ++i) {
        const voz::PackageShortcut& record = package.m_shortcuts[i];
        const std::wstring link = LinkFolder(package, record.nPlace) + L"\\" + Field(record.szLinkName);
        linkPaths.push_back(link);
        const std::wstring target = folder + L"\\" +
                                    (record.szTarget[0] != '\0' ? Field(record.szTarget) : Field(package.m_szUninstaller));
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
    Check(Wide(data.table.title) == Field(package.m_szTitle) && Wide(data.table.version) == Field(package.m_szVersion) &&
              data.table.links.size() == static_cast<size_t>(package.m_nShortcutCount),
          "uninstall data starts with title, version and shortcut count");
    for (size_t i = 0; i < data.table.links.size() && i < linkPaths.size(); ++i) {
        CheckText(Wide(data.table.links[i]), linkPaths[i], "uninstall data link " + std::to_string(i));
    }
    CheckText(Wide(data.table.group), SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup),
              "uninstall data program group");
    Check(std::find(data.log.files.begin(), data.log.files.end(), "2nd_voz.ini") != data.log.files.end(),
          "the install log names the settings file written after the installation");
}

// ---- Scenarios ----

// "开始安装" on the welcome window; the wizard sheet that opens, or null.
HWND OpenWizard(const SetupRun& run, HWND welcome, const CPackageInfo& package) {
    Click(GetDlgItem(welcome, IDOK));
    return WaitTopWindow(run.Id(), [&](HWND w) { return w != welcome && Text(w) == ExpectedCaption(package); });
}

// Next from the welcome page to the extraction page, picking an order software entry on the way.
void NextToExtractionPage(HWND sheet, int orderSoftware) {
    for (int index = 1; index <= 4; ++index) {
        PressNext(sheet);
        ExpectPage(sheet, index, {true, true, false}, "Next to page " + std::to_string(index));
        if (index == 3) {
            Send(GetDlgItem(CurrentPage(sheet), 1002), CB_SETCURSEL, orderSoftware);
        }
    }
}

// Runs the installation from the extraction page on and waits for the first
// settings page; true when it got there. Files that cannot be written (the
// names in `blocked`, relative to the install folder) must be reported in one
// message, after which the wizard goes on.
bool RunInstallation(const SetupRun& run, HWND sheet, const std::vector<std::wstring>& blocked) {
    HWND extractPage = CurrentPage(sheet);
    PressNext(sheet);
    Check(WaitUntil([&] { return WizardButtons(sheet) == Buttons{false, false, false}; }, 5000),
          "no wizard button during the installation");
    if (!blocked.empty()) {
        HWND box = WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && GetWindow(w, GW_OWNER) == sheet; });
        if (Check(box != nullptr, "a message reports what could not be installed")) {
            CheckText(Text(box), L"安装程序", "failure message caption");
            const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
            Check(text.rfind(L"安装已完成，但有 " + std::to_wstring(blocked.size()) + L" 项未能完成：", 0) == 0,
                  "failure message counts the failures: " + Utf8(text));
            for (const std::wstring& name : blocked) {
                Check(text.find(name) != std::wstring::npos, "failure message names " + Utf8(name));
            }
            Check(PageIndex(sheet) == 4, "the wizard waits on the extraction page while the message is shown");
            Screenshot(box, L"25-variant-failures");
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    const bool done = ExpectPage(sheet, 5, {false, true, false}, "after the installation: first settings page");
    CheckText(Text(GetDlgItem(extractPage, 1025)), L"正在解压文件", "status text after the installation");
    Check(TopWindows(run.Id(), [&](HWND w) { return w != sheet; }).empty(), "no other message");
    return done;
}

// ---- Settings pages ----

// The values the settings pages show, one per control: check boxes 0 or 1,
// lists the selected index or -1.
struct PageValues {
    int vuToolBar, news, tabBar, toolBar;  // 1038, 1036, 1037, 1035
    int zqTrader, orderBoard;              // 1015, 1032
    int taTabBtn, wheel;                   // 1030, 1002
    bool operator==(const PageValues&) const = default;
};

std::string Describe(const PageValues& v) {
    char text[96];
    std::snprintf(text, sizeof text, "1038=%d 1036=%d 1037=%d 1035=%d 1015=%d 1032=%d 1030=%d 1002=%d", v.vuToolBar,
                  v.news, v.tabBar, v.toolBar, v.zqTrader, v.orderBoard, v.taTabBtn, v.wheel);
    return text;
}

int ListIndex(HWND page, int id) { return static_cast<int>(Send(GetDlgItem(page, id), CB_GETCURSEL)); }
int Checked(HWND page, int id) { return Send(GetDlgItem(page, id), BM_GETCHECK) == BST_CHECKED ? 1 : 0; }

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

// Text of a tree item of another process, read through a buffer in that process.
std::wstring TreeItemText(HWND tree, HTREEITEM item) {
    DWORD process = 0;
    GetWindowThreadProcessId(tree, &process);
    HANDLE h = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (h == nullptr) {
        return L"<no process>";
    }
    constexpr size_t kChars = 64;
    auto* remote = static_cast<BYTE*>(
        VirtualAllocEx(h, nullptr, sizeof(TVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
    std::wstring text(kChars, L'\0');
    TVITEMW read = {};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
    read.cchTextMax = kChars;
    if (remote != nullptr && WriteProcessMemory(h, remote, &read, sizeof read, nullptr) &&
        Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(h, remote + sizeof(TVITEMW), text.data(), kChars * sizeof(wchar_t), nullptr)) {
        text.resize(wcslen(text.c_str()));
    } else {
        text = L"<unreadable>";
    }
    if (remote != nullptr) {
        VirtualFreeEx(h, remote, 0, MEM_RELEASE);
    }
    CloseHandle(h);
    return text;
}

// The rectangle of a tree item's text, in the tree's client coordinates.
RECT TreeItemRect(HWND tree, HTREEITEM item) {
    RECT rect = {};
    DWORD process = 0;
    GetWindowThreadProcessId(tree, &process);
    HANDLE h = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
    if (h == nullptr) {
        return rect;
    }
    void* remote = VirtualAllocEx(h, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
    // On input the rectangle holds the item's handle.
    std::memcpy(&rect, &item, sizeof item);
    if (remote == nullptr || !WriteProcessMemory(h, remote, &rect, sizeof rect, nullptr) ||
        !Send(tree, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(remote)) ||
        !ReadProcessMemory(h, remote, &rect, sizeof rect, nullptr)) {
        rect = {};
    }
    if (remote != nullptr) {
        VirtualFreeEx(h, remote, 0, MEM_RELEASE);
    }
    CloseHandle(h);
    return rect;
}

HTREEITEM TreeNext(HWND tree, UINT relation, HTREEITEM item = nullptr) {
    return reinterpret_cast<HTREEITEM>(Send(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// The root and its three children, in tree order.
std::vector<HTREEITEM> TreeItems(HWND tree) {
    std::vector<HTREEITEM> items;
    HTREEITEM root = TreeNext(tree, TVGN_ROOT);
    if (root == nullptr) {
        return items;
    }
    items.push_back(root);
    for (HTREEITEM child = TreeNext(tree, TVGN_CHILD, root); child != nullptr; child = TreeNext(tree, TVGN_NEXT, child)) {
        items.push_back(child);
    }
    return items;
}

HWND FocusOf(HWND window) {
    GUITHREADINFO info = {sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

const std::vector<std::wstring> kTreeLabels = {L"个性化设置", L"工具条", L"行情与下单", L"K线图"};
const int kSettingsButtons[] = {2, 3, 5};  // Next; Back, Next; Back, Finish

// Waits for settings page `index` (5 to 7) and checks its tree: the four
// labels, the root expanded, the page's own item selected, the focus in it.
HWND ExpectSettingsPage(HWND sheet, int index, const std::string& what) {
    const int mask = kSettingsButtons[index - 5];
    ExpectPage(sheet, index, {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0}, what);
    HWND page = CurrentPage(sheet);
    HWND tree = GetDlgItem(page, 1011);
    std::vector<HTREEITEM> items = TreeItems(tree);
    if (!Check(items.size() == 4, what + ": tree with the root and three items")) {
        return page;
    }
    std::vector<std::wstring> labels;
    for (HTREEITEM item : items) {
        labels.push_back(TreeItemText(tree, item));
    }
    Check(labels == kTreeLabels, what + ": tree labels " + Utf8(labels[0] + L"/" + labels[1] + L"/" + labels[2] +
                                                                 L"/" + labels[3]));
    Check(Send(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(items[0]), TVIS_EXPANDED) & TVIS_EXPANDED,
          what + ": root expanded");
    Check(WaitUntil([&] { return TreeNext(tree, TVGN_CARET) == items[static_cast<size_t>(index - 4)]; }, 3000),
          what + ": the page's own item selected");
    Check(WaitUntil([&] { return FocusOf(sheet) == tree; }, 3000), what + ": the tree has the focus");
    return page;
}

// Selects tree item `label` (0 root, 1 to 3 the pages) as a click would.
void SelectInTree(HWND sheet, int label) {
    HWND tree = GetDlgItem(CurrentPage(sheet), 1011);
    std::vector<HTREEITEM> items = TreeItems(tree);
    if (static_cast<size_t>(label) < items.size()) {
        Send(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[static_cast<size_t>(label)]));
    }
}

// Clicks tree item `label` of the current page with the left mouse button.
void ClickInTree(HWND sheet, int label) {
    HWND tree = GetDlgItem(CurrentPage(sheet), 1011);
    std::vector<HTREEITEM> items = TreeItems(tree);
    if (static_cast<size_t>(label) >= items.size()) {
        return;
    }
    const RECT rect = TreeItemRect(tree, items[static_cast<size_t>(label)]);
    const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    PostMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tree, WM_LBUTTONUP, 0, at);
}

// The values on the pages as far as their windows exist; pages not yet
// shown keep `loaded`.
PageValues ShownValues(HWND sheet, const PageValues& loaded) {
    PageValues v = loaded;
    auto page = [&](int index) { return reinterpret_cast<HWND>(Send(sheet, PSM_INDEXTOHWND, index)); };
    if (HWND p = page(5)) {
        v.vuToolBar = Checked(p, 1038), v.news = ListIndex(p, 1036), v.tabBar = ListIndex(p, 1037),
        v.toolBar = ListIndex(p, 1035);
    }
    if (HWND p = page(6)) {
        v.zqTrader = Checked(p, 1015), v.orderBoard = ListIndex(p, 1032);
    }
    if (HWND p = page(7)) {
        v.taTabBtn = Checked(p, 1030), v.wheel = ListIndex(p, 1002);
    }
    return v;
}

void CheckShown(HWND page, const std::vector<std::pair<int, int>>& values, const std::string& what) {
    for (auto [id, value] : values) {
        const bool list = ClassName(GetDlgItem(page, id)) == L"ComboBox";
        const int actual = list ? ListIndex(page, id) : Checked(page, id);
        Check(actual == value, what + ": control " + std::to_string(id) + " shows " + std::to_string(actual) +
                                   ", expected " + std::to_string(value));
    }
}

// Checks the first settings page against the installed Voz.ini, walks the
// three pages by tree, arrow keys and Back/Next, sets `chosen` on them, and
// presses Finish. Voz.ini must then hold the record read after extraction
// with the chosen values stored, 2nd_voz.ini must be as extraction left it.
void SettingsAndFinish(const SetupRun& run, HWND sheet, HWND welcome, const std::wstring& folder,
                       const PageValues& chosen, const std::wstring& shotPrefix) {
    const std::wstring vozIni = folder + L"\\Voz.ini";
    const std::wstring secondIni = folder + L"\\2nd_voz.ini";
    const std::vector<char> installed = ReadAll(vozIni);
    const std::vector<char> second = ReadAll(secondIni);
    voz::CIniFile file;
    voz::CClientSettings record = SettingsOf(installed, file);
    const PageValues loaded = ExpectedValues(record);

    HWND page1 = ExpectSettingsPage(sheet, 5, "first settings page");
    const std::vector<std::wstring> barItems = {L"上方", L"右侧", L"不显示"};
    Check(ComboEntries(GetDlgItem(page1, 1035)) == barItems, "\"工具条\" list items");
    Check(ComboEntries(GetDlgItem(page1, 1036)) == std::vector<std::wstring>{L"显示", L"不显示"}, "\"滚动新闻\" list items");
    Check(ComboEntries(GetDlgItem(page1, 1037)) == std::vector<std::wstring>{L"上方", L"下方", L"不显示"},
          "\"书签工具条\" list items");
    Check(!IsWindowVisible(GetDlgItem(page1, 1038)), "check box 1038 is not visible");
    CheckText(Text(GetDlgItem(page1, 1038)), L"vu工具条是否显示", "check box 1038 text");
    Check(ShownValues(sheet, loaded) == loaded,
          "first page shows Voz.ini: " + Describe(ShownValues(sheet, loaded)) + ", expected " + Describe(loaded));
    Screenshot(sheet, shotPrefix + L"-settings-toolbar");

    // By the tree straight to the last page: the second page is skipped.
    SelectInTree(sheet, 3);
    HWND page3 = ExpectSettingsPage(sheet, 7, "tree \"K线图\" from the first page");
    Check(reinterpret_cast<HWND>(Send(sheet, PSM_INDEXTOHWND, 6)) == nullptr || !IsWindowVisible(
              reinterpret_cast<HWND>(Send(sheet, PSM_INDEXTOHWND, 6))), "the second page was skipped");
    Check(ComboEntries(GetDlgItem(page3, 1002)) == std::vector<std::wstring>{L"缩放K线图显示比例", L"切换K线图合约"},
          "\"鼠标滚轮\" list items");
    CheckText(Text(GetDlgItem(page3, 1030)), L"图表窗口的小工具条是否显示(热键：Alt + B)", "check box 1030 text");
    Check(ShownValues(sheet, loaded) == loaded, "last page shows Voz.ini: " + Describe(ShownValues(sheet, loaded)));
    Screenshot(sheet, shotPrefix + L"-settings-chart");
    Send(GetDlgItem(page3, 1030), BM_SETCHECK, chosen.taTabBtn ? BST_CHECKED : BST_UNCHECKED);
    Send(GetDlgItem(page3, 1002), CB_SETCURSEL, static_cast<WPARAM>(chosen.wheel));

    // The root and the own item change nothing; the root stays highlighted.
    SelectInTree(sheet, 0);
    SelectInTree(sheet, 3);
    SelectInTree(sheet, 0);
    Sleep(200);
    Check(PageIndex(sheet) == 7, "tree root and own item keep the page");
    HWND tree3 = GetDlgItem(page3, 1011);
    Check(TreeNext(tree3, TVGN_CARET) == TreeItems(tree3)[0], "the root stays highlighted");

    // Back from the last page: the values left there are kept.
    PressBack(sheet);
    HWND page2 = ExpectSettingsPage(sheet, 6, "Back from the last page");
    CheckText(Text(GetDlgItem(page2, 1015)), L"双击买卖价弹出星捷下单窗口", "check box 1015 text");
    Check(ComboEntries(GetDlgItem(page2, 1032)) == std::vector<std::wstring>{L"竖条下单板", L"横条下单板"},
          "\"星捷下单板\" list items");
    CheckShown(page2, {{1015, loaded.zqTrader}, {1032, loaded.orderBoard}}, "second page shows Voz.ini");
    Screenshot(sheet, shotPrefix + L"-settings-order");
    Send(GetDlgItem(page2, 1015), BM_SETCHECK, chosen.zqTrader ? BST_CHECKED : BST_UNCHECKED);
    Send(GetDlgItem(page2, 1032), CB_SETCURSEL, static_cast<WPARAM>(chosen.orderBoard));

    // The arrow key up moves the tree to "工具条", which switches at once.
    PostMessageW(GetDlgItem(page2, 1011), WM_KEYDOWN, VK_UP, 0);
    ExpectSettingsPage(sheet, 5, "arrow key up from the second page");
    Send(GetDlgItem(page1, 1035), CB_SETCURSEL, static_cast<WPARAM>(chosen.toolBar));
    Send(GetDlgItem(page1, 1036), CB_SETCURSEL, static_cast<WPARAM>(chosen.news));
    Send(GetDlgItem(page1, 1037), CB_SETCURSEL, static_cast<WPARAM>(chosen.tabBar));

    PressNext(sheet);
    ExpectSettingsPage(sheet, 6, "Next from the first page");
    CheckShown(page2, {{1015, chosen.zqTrader}, {1032, chosen.orderBoard}}, "second page keeps its values");
    PressBack(sheet);
    ExpectSettingsPage(sheet, 5, "Back to the first page");
    CheckShown(page1, {{1035, chosen.toolBar}, {1036, chosen.news}, {1037, chosen.tabBar}, {1038, loaded.vuToolBar}},
               "first page keeps its values");
    PressNext(sheet);
    ExpectSettingsPage(sheet, 6, "Next to the second page");
    PressNext(sheet);
    ExpectSettingsPage(sheet, 7, "Next to the last page");
    CheckShown(page3, {{1030, chosen.taTabBtn}, {1002, chosen.wheel}}, "last page keeps its values");

    // Mouse clicks: the own item keeps the page, another item switches.
    ClickInTree(sheet, 3);
    Sleep(300);
    Check(PageIndex(sheet) == 7, "a click on the own item keeps the page");
    ClickInTree(sheet, 1);
    ExpectSettingsPage(sheet, 5, "click on \"工具条\" on the last page");
    ClickInTree(sheet, 3);
    ExpectSettingsPage(sheet, 7, "click on \"K线图\" on the first page");
    Check(ReadAll(vozIni) == installed, "Voz.ini unchanged before Finish");

    Click(GetDlgItem(sheet, kFinish));
    bool welcomeAgain = false;
    Check(WaitUntil([&] {
              welcomeAgain |= IsWindowVisible(welcome) != FALSE;
              return run.Ended(0);
          }),
          "Finish ends the program");
    Check(!welcomeAgain, "the welcome window does not come back after the wizard");

    // The expected file: the installed one with every key of the record
    // rewritten, the ten keys of the pages as chosen.
    record.m_nRirurAzToolBar = loaded.vuToolBar;
    record.IndexBar = chosen.news == 0 ? 1 : 0;
    record.TabBar = chosen.tabBar == 2 ? 0 : 1;
    record.TabBarDock = chosen.tabBar == 2 ? record.TabBarDock : chosen.tabBar;
    record.ToolBar = chosen.toolBar == 2 ? 0 : 1;
    record.ToolbarDockR = chosen.toolBar == 2 ? record.ToolbarDockR : chosen.toolBar;
    record.ZqTraderIsUse = chosen.zqTrader;
    record.ORDERBOARDTYPE = chosen.orderBoard;
    record.SHOWTATABBTN = chosen.taTabBtn;
    record.WHELLCHANGECON = chosen.wheel;
    record.WriteTo(file);
    const std::vector<char> saved = ReadAll(vozIni);
    Check(std::string(saved.begin(), saved.end()) == file.Bytes(), "Voz.ini after Finish holds every key as expected");
    // Read back with the system's own profile functions.
    auto key = [&](const wchar_t* section, const wchar_t* name) {
        return static_cast<int>(GetPrivateProfileIntW(section, name, -1, vozIni.c_str()));
    };
    Check(key(L"SYSTEM", L"ToolBar") == record.ToolBar && key(L"SYSTEM", L"ToolbarDockR") == record.ToolbarDockR &&
              key(L"SYSTEM", L"TabBar") == record.TabBar && key(L"SYSTEM", L"TabBarDock") == record.TabBarDock &&
              key(L"SYSTEM", L"IndexBar") == record.IndexBar &&
              key(L"SYSTEM", L"m_nRirurAzToolBar") == record.m_nRirurAzToolBar &&
              key(L"GENERALTRADE", L"ZqTraderIsUse") == chosen.zqTrader &&
              key(L"GENERALTRADE", L"ORDERBOARDTYPE") == chosen.orderBoard &&
              key(L"SYSTEM", L"SHOWTATABBTN") == chosen.taTabBtn && key(L"TA", L"WHELLCHANGECON") == chosen.wheel,
          "the pages' keys read back as chosen");
    wchar_t scroll[8] = {};
    GetPrivateProfileStringW(L"SYSTEM", L"ScrollQuot", L"", scroll, 8, vozIni.c_str());
    CheckText(scroll, key(L"SYSTEM", L"ScrollPeriod") != 0 ? L"Yes" : L"No", "ScrollQuot follows ScrollPeriod");
    Check(key(L"SYSTEM", L"MainTrade") == -1, "MainTrade is not in Voz.ini");
    Check(ReadAll(secondIni) == second, "2nd_voz.ini is as the installation left it");
}

// The whole installation of the sample package, every screen on the way.
void InstallScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir) {
    const std::wstring firstFolder = L"C:\\e2e\\第一个目录";
    const std::wstring folder = L"C:\\e2e\\沃兹 安装";
    CleanInstallation(package, L"C:\\e2e");
    CleanInstallation(package, Field(package.m_szInstallDir));

    SetupRun run;
    HWND welcome = StartSetup(run, setup, package);
    if (welcome == nullptr) {
        return;
    }
    CheckText(Text(GetDlgItem(welcome, IDOK)), L"开始安装", "welcome OK button");
    CheckText(Text(GetDlgItem(welcome, IDCANCEL)), L"退出安装", "welcome Cancel button");
    Check(GetWindowLongPtrW(welcome, GWL_EXSTYLE) & WS_EX_APPWINDOW, "welcome window has a task-bar button");
    Screenshot(welcome, L"01-welcome");

    // The about entry of the system menu: open the menu as Alt+Space does and
    // choose its last entry with the keyboard. (The menu itself belongs to the
    // setup process and cannot be read from here; the screenshot shows it.)
    PostMessageW(welcome, WM_SYSCOMMAND, SC_KEYMENU, L' ');
    HWND menu = WaitTopWindow(run.Id(), [](HWND w) { return ClassName(w) == L"#32768"; });
    if (Check(menu != nullptr, "the system menu opens")) {
        Screenshot(nullptr, L"02-system-menu");
    }
    // Up from the first entry wraps to the last one, which is the about entry.
    PostMessageW(welcome, WM_KEYDOWN, VK_UP, 1);
    PostMessageW(welcome, WM_KEYDOWN, VK_RETURN, 1);
    HWND about = WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && GetWindow(w, GW_OWNER) == welcome; });
    if (Check(about != nullptr, "the system menu's last entry opens the about box")) {
        CheckText(Text(about), L"关于 Setup", "about box caption");
        bool version = false;
        for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            version |= Text(child) == L"Setup 1.0 版";
        }
        Check(version, "about box shows \"Setup 1.0 版\"");
        CheckText(Text(GetDlgItem(about, IDOK)), L"确定", "about box button");
        Screenshot(about, L"03-about");
        Click(GetDlgItem(about, IDOK));
        Check(WaitUntil([&] { return !IsWindow(about); }), "about box closes");
        Check(IsWindowVisible(welcome), "welcome window stays after the about box");
    }

    HWND sheet = OpenWizard(run, welcome, package);
    if (!Check(sheet != nullptr, "the wizard opens with the welcome caption")) {
        return;
    }
    Check(!IsWindowVisible(welcome), "the welcome window is hidden while the wizard runs");
    Check(!IsWindowVisible(GetDlgItem(sheet, IDCANCEL)), "the wizard shows no Cancel button");
    Check(!IsWindowVisible(GetDlgItem(sheet, IDHELP)), "the wizard shows no Help button");

    ExpectPage(sheet, 0, {false, true, false}, "welcome page");
    Screenshot(sheet, L"04-welcome-page");
    PressNext(sheet);
    ExpectPage(sheet, 1, {true, true, false}, "install folder page");
    HWND folderPage = CurrentPage(sheet);
    HWND folderField = GetDlgItem(folderPage, 1000);
    CheckText(Text(folderField), Field(package.m_szInstallDir), "folder field holds the package's default");
    CheckText(Text(GetDlgItem(folderPage, 1001)), L"浏览", "browse button");
    Screenshot(sheet, L"05-folder-page");

    // The folder browser: cancelling it leaves the field alone.
    Click(GetDlgItem(folderPage, 1001));
    HWND browser = WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && GetWindow(w, GW_OWNER) == sheet; });
    if (Check(browser != nullptr, "the folder browser opens")) {
        bool title = false;
        for (HWND child = GetWindow(browser, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            title |= Text(child) == L"请选择目录：";
        }
        Check(title, "the folder browser shows \"请选择目录：\"");
        Screenshot(browser, L"06-browse");
        PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
        Check(WaitUntil([&] { return !IsWindow(browser); }), "the folder browser closes");
        CheckText(Text(folderField), Field(package.m_szInstallDir), "cancelled browsing keeps the field");
    }

    TypeInto(folderField, firstFolder);
    CheckText(Text(folderField), firstFolder, "typed folder");
    PressNext(sheet);
    ExpectPage(sheet, 2, {true, true, false}, "install style page");
    HWND styleList = GetDlgItem(CurrentPage(sheet), 1002);
    std::vector<std::wstring> expectedStyles;
    for (const std::string& style : voz::InstallStyles(package)) {
        expectedStyles.push_back(Wide(style));
    }
    Check(ComboEntries(styleList) == expectedStyles, "style list: the package's distinct styles in order");
    Check(Send(styleList, CB_GETCURSEL) == 0, "first style preselected");
    Screenshot(sheet, L"07-style-page");
    const int chosenStyle = static_cast<int>(expectedStyles.size()) - 1;
    Send(styleList, CB_SETCURSEL, static_cast<WPARAM>(chosenStyle));

    PressNext(sheet);
    ExpectPage(sheet, 3, {true, true, false}, "order software page");
    HWND orderList = GetDlgItem(CurrentPage(sheet), 1002);
    const std::vector<std::wstring> orderEntries = {L"星捷(推荐使用)", L"金仕达客户端", L"恒生客户端", L"顶点客户端"};
    Check(ComboEntries(orderList) == orderEntries, "order software list: four entries in order");
    Check(Send(orderList, CB_GETCURSEL) == package.m_nDefaultOrderSoftware, "the package's default preselected");
    Screenshot(sheet, L"08-order-page");
    Send(orderList, CB_SETCURSEL, 3);

    // Back and Next keep the choices; neither page sets the buttons itself.
    PressBack(sheet);
    ExpectPage(sheet, 2, {true, true, false}, "Back to the style page");
    Check(Send(styleList, CB_GETCURSEL) == chosenStyle, "style choice kept");
    PressNext(sheet);
    ExpectPage(sheet, 3, {true, true, false}, "Next to the order page again");
    Check(Send(orderList, CB_GETCURSEL) == 3, "order software choice kept");
    PressNext(sheet);
    ExpectPage(sheet, 4, {true, true, false}, "extraction page");
    HWND extractPage = CurrentPage(sheet);
    HWND progress = GetDlgItem(extractPage, 1010);
    Check(!IsWindowVisible(progress), "progress bar hidden before the installation");
    CheckText(Text(GetDlgItem(extractPage, 1025)), L"", "no status text before the installation");
    Screenshot(sheet, L"09-extract-page");

    // The folder is taken when Next is pressed on the extraction page.
    for (int index = 3; index >= 1; --index) {
        PressBack(sheet);
        ExpectPage(sheet, index, {true, true, false}, "Back to page " + std::to_string(index));
    }
    TypeInto(folderField, folder);
    for (int index = 2; index <= 4; ++index) {
        PressNext(sheet);
        ExpectPage(sheet, index, {true, true, false}, "Next to page " + std::to_string(index));
    }

    PressNext(sheet);
    bool closedWhileRunning = false;
    const bool sawWork = WaitUntil(
        [&] {
            if (WizardButtons(sheet) != Buttons{false, false, false} || !IsWindowVisible(progress) ||
                Text(GetDlgItem(extractPage, 1025)) != L"正在解压文件") {
                return false;
            }
            // Ask to close while the bar is up: the worker hides the bar before
            // it posts its completion, so a bar still visible after the request
            // means the request is handled while the installation runs.
            PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
            closedWhileRunning = IsWindowVisible(progress) != FALSE;
            return true;
        },
        5000);
    Check(sawWork, "during the installation: no wizard button, progress bar shown, \"正在解压文件\"");
    Check(closedWhileRunning, "the close box was tried during the installation");
    if (sawWork) {
        Screenshot(nullptr, L"10-extracting");
    }
    ExpectPage(sheet, 5, {false, true, false}, "after the installation: first settings page");
    Check(IsWindow(sheet), "the close box was refused during the installation");
    Check(!IsWindowVisible(progress), "progress bar hidden after the installation");
    Check(Send(progress, PBM_GETPOS) == 100, "progress bar reached 100");
    Check(TopWindows(run.Id(), [&](HWND w) { return w != sheet; }).empty(), "no failure message");
    Screenshot(sheet, L"11-settings-page");

    Check(!Exists(firstFolder), "nothing installed into the folder left on the folder page");
    std::vector<StyleCopy> copies = CopiesOf(package, expectedStyles[static_cast<size_t>(chosenStyle)]);
    Check(!copies.empty(), "the chosen style has copies");
    CheckInstalledTree(package, folder, sourceDir, copies);
    CheckShortcutsAndUninstaller(package, folder);
    Check(GetPrivateProfileIntW(L"SYSTEM", L"MainTrade", -1, (folder + L"\\2nd_voz.ini").c_str()) == 3,
          "MainTrade records the chosen order software");

    const std::string second = "[SYSTEM]\r\nMainTrade=3\r\n";
    Check(ReadAll(folder + L"\\2nd_voz.ini") == std::vector<char>(second.begin(), second.end()),
          "2nd_voz.ini holds only MainTrade");
    // 精简版's Voz.ini hides the three bars and does not scroll.
    SettingsAndFinish(run, sheet, welcome, folder, {1, 0, 2, 1, 1, 1, 0, 0}, L"12");
}

// A package with an order software default outside the list and repeated
// style labels, installed with the preselected choices into its default
// folder, where two files cannot be written; meant to run with a system code
// page other than 936.
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

    SetupRun run;
    HWND welcome = StartSetup(run, setup, package);
    if (welcome == nullptr) {
        return;
    }
    CheckText(Text(GetDlgItem(welcome, IDOK)), L"开始安装", "welcome OK button");
    Screenshot(welcome, L"21-variant-welcome");
    HWND sheet = OpenWizard(run, welcome, package);
    if (!Check(sheet != nullptr, "the wizard opens with the welcome caption")) {
        return;
    }
    ExpectPage(sheet, 0, {false, true, false}, "welcome page");
    PressNext(sheet);
    ExpectPage(sheet, 1, {true, true, false}, "install folder page");
    CheckText(Text(GetDlgItem(CurrentPage(sheet), 1000)), folder, "folder field holds the package's default");
    Screenshot(sheet, L"22-variant-folder-page");
    PressNext(sheet);
    ExpectPage(sheet, 2, {true, true, false}, "install style page");
    HWND styleList = GetDlgItem(CurrentPage(sheet), 1002);
    const std::vector<std::wstring> styles = {L"全功能版", L"精简版", L"经典版"};
    Check(ComboEntries(styleList) == styles, "repeated style labels are listed once, in order of first appearance");
    Check(Send(styleList, CB_GETCURSEL) == 0, "first style preselected");
    CheckText(Text(styleList), styles[0], "style list shows the first style");
    Screenshot(sheet, L"23-variant-style-page");
    PressNext(sheet);
    ExpectPage(sheet, 3, {true, true, false}, "order software page");
    HWND orderList = GetDlgItem(CurrentPage(sheet), 1002);
    Check(ComboEntries(orderList) == std::vector<std::wstring>{L"星捷(推荐使用)", L"金仕达客户端", L"恒生客户端", L"顶点客户端"},
          "order software list: four entries in order");
    Check(Send(orderList, CB_GETCURSEL) == CB_ERR, "a default outside the list selects nothing");
    Screenshot(sheet, L"24-variant-order-page");
    PressNext(sheet);
    ExpectPage(sheet, 4, {true, true, false}, "extraction page");
    if (!RunInstallation(run, sheet, blocked)) {
        return;
    }
    Screenshot(sheet, L"26-variant-settings-page");
    CheckInstalledTree(package, folder, sourceDir, CopiesOf(package, styles[0]), blocked);
    Check(CopiesOf(package, styles[0]).size() == 2, "the first style has two copy records");
    CheckShortcutsAndUninstaller(package, folder);
    Check(GetPrivateProfileIntW(L"SYSTEM", L"MainTrade", -1, (folder + L"\\2nd_voz.ini").c_str()) == 0,
          "MainTrade is 0 without a selection");
    // 全功能版's Voz.ini shows the three bars and scrolls.
    SettingsAndFinish(run, sheet, welcome, folder, {1, 1, 1, 0, 0, 0, 1, 1}, L"27-variant");
}

// Writes a copy of a file of `size` bytes, cut short or extended with
// zeros, with `bytes` written at `at`.
bool WriteVariant(const std::wstring& from, const std::wstring& to, size_t size, size_t at, const std::string& bytes) {
    std::vector<char> data = ReadAll(from);
    if (data.empty() || at + bytes.size() > size) {
        return false;
    }
    data.resize(size);
    std::memcpy(data.data() + at, bytes.data(), bytes.size());
    HANDLE file = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    const bool ok = file != INVALID_HANDLE_VALUE && WriteFile(file, data.data(), static_cast<DWORD>(data.size()),
                                                              &written, nullptr) &&
                    written == data.size();
    CloseHandle(file);
    return ok;
}

// "退出安装" on the welcome window, and the wizard's close box, end the
// program without writing anything. Data after the package, such as a code
// signature, is no damage: that setup starts as usual.
void QuitScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& workDir) {
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    const std::wstring signedSetup = workDir + L"\\signed-setup.exe";
    const size_t size = ReadAll(setup).size();
    Check(WriteVariant(setup, signedSetup, size + 4096, size, "signature"), "a setup with data after its package");
    for (const std::wstring& path : {setup, signedSetup}) {
        SetupRun run;
        HWND welcome = run.Start(path) ? WaitWelcome(run, package) : nullptr;
        if (Check(welcome != nullptr, "welcome window of " + Utf8(path))) {
            Click(GetDlgItem(welcome, IDCANCEL));
            Check(run.Ended(10000), "\"退出安装\" ends the program");
        }
    }
    {
        SetupRun run;
        HWND welcome = StartSetup(run, setup, package);
        if (welcome != nullptr) {
            Click(GetDlgItem(welcome, IDOK));
            HWND sheet =
                WaitTopWindow(run.Id(), [&](HWND w) { return w != welcome && Text(w) == ExpectedCaption(package); });
            if (Check(sheet != nullptr, "the wizard opens")) {
                PressNext(sheet);
                ExpectPage(sheet, 1, {true, true, false}, "install folder page");
                PressNext(sheet);
                ExpectPage(sheet, 2, {true, true, false}, "install style page");
                PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
                bool welcomeAgain = false;
                Check(WaitUntil([&] {
                          welcomeAgain |= IsWindowVisible(welcome) != FALSE;
                          return run.Ended(0);
                      }),
                      "the wizard's close box ends the program");
                Check(!welcomeAgain, "the welcome window does not come back after the wizard");
            }
        }
    }
    Check(NothingInstalled(package, folder), "nothing was installed");

    // Closed on a settings page after the installation: Voz.ini stays as the
    // installation left it, 2nd_voz.ini holds the order software already.
    SetupRun run;
    HWND welcome = StartSetup(run, setup, package);
    if (welcome == nullptr) {
        return;
    }
    HWND sheet = OpenWizard(run, welcome, package);
    if (!Check(sheet != nullptr, "the wizard opens")) {
        return;
    }
    NextToExtractionPage(sheet, 2);  // 恒生客户端
    if (RunInstallation(run, sheet, {})) {
        const std::wstring vozIni = folder + L"\\Voz.ini";
        const std::vector<char> installed = ReadAll(vozIni);
        Check(!installed.empty(), "the installation left a Voz.ini");
        SelectInTree(sheet, 2);
        ExpectSettingsPage(sheet, 6, "tree \"行情与下单\" from the first page");
        Send(GetDlgItem(CurrentPage(sheet), 1015), BM_SETCHECK, BST_CHECKED);
        PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
        Check(run.Ended(10000), "the close box on a settings page ends the program");
        Check(ReadAll(vozIni) == installed, "Voz.ini stays as the installation left it");
        Check(GetPrivateProfileIntW(L"SYSTEM", L"MainTrade", -1, (folder + L"\\2nd_voz.ini").c_str()) == 2,
              "2nd_voz.ini holds the order software, 恒生客户端");
    }
    CleanInstallation(package, folder);
}

// Finish with a Voz.ini that cannot be replaced (held open without
// sharing by the driver): one message
// says so, the wizard ends, and the file keeps what the installation left.
void UnsavedScenario(const std::wstring& setup, const CPackageInfo& package) {
    const std::wstring folder = Field(package.m_szInstallDir);
    CleanInstallation(package, folder);
    SetupRun run;
    HWND welcome = StartSetup(run, setup, package);
    if (welcome == nullptr) {
        return;
    }
    HWND sheet = OpenWizard(run, welcome, package);
    if (!Check(sheet != nullptr, "the wizard opens")) {
        return;
    }
    NextToExtractionPage(sheet, 1);  // 金仕达客户端
    if (!RunInstallation(run, sheet, {})) {
        return;
    }
    Check(GetPrivateProfileIntW(L"SYSTEM", L"MainTrade", -1, (folder + L"\\2nd_voz.ini").c_str()) == 1,
          "MainTrade records 金仕达客户端");
    const std::wstring vozIni = folder + L"\\Voz.ini";
    const std::vector<char> installed = ReadAll(vozIni);
    HANDLE held = CreateFileW(vozIni.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    Check(held != INVALID_HANDLE_VALUE, "Voz.ini held open");
    ExpectSettingsPage(sheet, 5, "first settings page");
    Send(GetDlgItem(CurrentPage(sheet), 1035), CB_SETCURSEL, 1);
    PressNext(sheet);
    ExpectSettingsPage(sheet, 6, "second settings page");
    PressNext(sheet);
    ExpectSettingsPage(sheet, 7, "last settings page");
    Click(GetDlgItem(sheet, kFinish));
    HWND box = WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && w != sheet && w != welcome; });
    if (Check(box != nullptr, "a message says that the settings were not saved")) {
        CheckText(Text(box), L"安装程序", "message caption");
        CheckText(Text(GetDlgItem(box, 0xFFFF)), L"个性化设置未能保存：无法写入安装目录中的 Voz.ini，原有的 Voz.ini 保持不变。",
                  "message text");
        Check(TopWindows(run.Id(), [&](HWND w) { return w != sheet; }).size() == 1, "one message");
        Screenshot(box, L"41-settings-not-saved");
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    Check(run.Ended(10000), "the wizard ends after the message");
    CloseHandle(held);
    Check(ReadAll(vozIni) == installed, "Voz.ini keeps what the installation left");
    CleanInstallation(package, folder);
}

// A default installation into `folder`, a screenshot of every screen: the
// preselected style and order software, the settings as the installation
// left them, Finish. The installation stays for inspection.
void DemoScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir,
                  const std::wstring& folder) {
    SetupRun run;
    HWND welcome = StartSetup(run, setup, package);
    if (welcome == nullptr) {
        return;
    }
    Screenshot(welcome, L"01-welcome");
    HWND sheet = OpenWizard(run, welcome, package);
    if (!Check(sheet != nullptr, "the wizard opens")) {
        return;
    }
    ExpectPage(sheet, 0, {false, true, false}, "welcome page");
    Screenshot(sheet, L"02-welcome-page");
    PressNext(sheet);
    ExpectPage(sheet, 1, {true, true, false}, "install folder page");
    TypeInto(GetDlgItem(CurrentPage(sheet), 1000), folder);
    Screenshot(sheet, L"03-folder-page");
    const wchar_t* shots[] = {L"04-style-page", L"05-order-page", L"06-extract-page"};
    for (int index = 2; index <= 4; ++index) {
        PressNext(sheet);
        ExpectPage(sheet, index, {true, true, false}, "Next to page " + std::to_string(index));
        Screenshot(sheet, shots[index - 2]);
    }
    if (!RunInstallation(run, sheet, {})) {
        return;
    }
    CheckInstalledTree(package, folder, sourceDir, CopiesOf(package, Wide(voz::InstallStyles(package).front())));
    Check(package.m_nDefaultOrderSoftware == 0 &&
              GetPrivateProfileIntW(L"SYSTEM", L"MainTrade", -1, (folder + L"\\2nd_voz.ini").c_str()) == 0,
          "MainTrade records the preselected 星捷(推荐使用)");
    voz::CIniFile file;
    const PageValues loaded = ExpectedValues(SettingsOf(ReadAll(folder + L"\\Voz.ini"), file));
    SettingsAndFinish(run, sheet, welcome, folder, loaded, L"07");
}

// Starts a setup that must show nothing but one message box with `message`,
// takes a screenshot of it when `shot` is given, and closes it.
void ExpectOnlyMessage(const std::wstring& setup, const std::wstring& message, const std::string& what,
                       const wchar_t* shot) {
    SetupRun run;
    if (!Check(run.Start(setup), what + " starts")) {
        return;
    }
    HWND box = WaitTopWindow(run.Id(), [](HWND w) { return IsDialog(w); });
    if (!Check(box != nullptr, what + ": a message")) {
        return;
    }
    CheckText(Text(box), L"安装程序", what + ": message caption");
    CheckText(Text(GetDlgItem(box, 0xFFFF)), message, what + ": message text");
    Check(TopWindows(run.Id(), [](HWND) { return true; }).size() == 1, what + ": the message is the only window");
    if (shot != nullptr) {
        Screenshot(box, shot);
    }
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    Check(run.Ended(10000), what + ": the program ends after the message");
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
    size_t textLength = voz::kPackageOffset;
    for (const char* field : {package.m_szTitle, package.m_szVersion, package.m_szCompany, package.m_szInstallDir,
                              package.m_szMainExe, package.m_szSourceDir}) {
        textLength += 4 + std::strlen(field);
    }
    textLength += 4;
    const std::wstring truncated = workDir + L"\\truncated-setup.exe";
    const std::wstring damaged = workDir + L"\\damaged-setup.exe";
    Check(WriteVariant(setup, truncated, size - 100, 0, "MZ"), "a setup cut 100 bytes short");
    Check(WriteVariant(setup, damaged, size, textLength, std::string("\xF0\xFF\xFF\x7F", 4)), "a damaged setup");
    const std::wstring message = L"安装程序文件不完整或已损坏，无法安装。请重新下载安装程序。";
    struct Case {
        std::wstring setup, what;
    };
    for (const Case& broken : {Case{stub, L"without a package"}, Case{truncated, L"cut short"},
                               Case{damaged, L"damaged"}}) {
        ExpectOnlyMessage(broken.setup, message, "setup " + Utf8(broken.what),
                          broken.what == L"damaged" ? L"31-broken-package" : nullptr);
    }
    Check(NothingInstalled(package, folder), "nothing was installed");
}

// The message that Next on the extraction page gives for an empty or relative folder.
const std::wstring kFolderNotAbsolute =
    L"安装路径必须是完整的路径：\r\n以盘符和“\\”开头，\r\n或以“\\\\服务器\\共享”开头。\r\n请重新输入。";

// The message box the setup shows over the wizard sheet, or null.
HWND WaitMessageOver(const SetupRun& run, HWND sheet) {
    return WaitTopWindow(run.Id(), [&](HWND w) { return IsDialog(w) && GetWindow(w, GW_OWNER) == sheet; });
}

void CloseMessage(HWND box) {
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    Check(WaitUntil([&] { return !IsWindow(box); }), "the message closes");
}

// Starts the setup and walks its wizard to the extraction page with the
// first order software; the wizard sheet, or null when it did not open.
HWND WizardAtExtractionPage(SetupRun& run, const std::wstring& setup, const CPackageInfo& package) {
    HWND welcome = StartSetup(run, setup, package);
    HWND sheet = welcome != nullptr ? OpenWizard(run, welcome, package) : nullptr;
    if (Check(sheet != nullptr, "the wizard opens")) {
        NextToExtractionPage(sheet, 0);
    }
    return sheet;
}

void CloseWizard(const SetupRun& run, HWND sheet) {
    PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    Check(run.Ended(10000), "the close box ends the program");
}

// True when no settings file lies in the folder of the setup's current
// folder, at the root of its drive or in `folder`.
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
    SetupRun run;
    HWND sheet = WizardAtExtractionPage(run, setup, package);
    if (sheet == nullptr) {
        return;
    }
    HWND folderPage = reinterpret_cast<HWND>(Send(sheet, PSM_INDEXTOHWND, 1));
    for (const std::wstring typed : {L"", L"Client", L"D:Client"}) {
        const std::string what = "folder \"" + Utf8(typed) + "\"";
        TypeInto(GetDlgItem(folderPage, 1000), typed);
        PressNext(sheet);
        HWND box = WaitMessageOver(run, sheet);
        if (Check(box != nullptr, what + ": a message")) {
            CheckText(Text(box), L"安装程序", what + ": message caption");
            CheckText(Text(GetDlgItem(box, 0xFFFF)), kFolderNotAbsolute, what + ": message text");
            Check(TopWindows(run.Id(), [&](HWND w) { return w != sheet; }).size() == 1, what + ": one message");
            if (typed.empty()) {
                Screenshot(box, L"51-empty-folder");
            }
            CloseMessage(box);
        }
        ExpectPage(sheet, 4, {true, true, false}, what + ": the wizard stays on the extraction page");
    }
    Check(!Exists(std::wstring(current) + L"\\Client") && !Exists(L"D:Client") && NoSettingsFileIn(current),
          "no file written in the current folder or at the drive's root");
    Check(NothingInstalled(package, folder), "nothing was installed");
    CloseWizard(run, sheet);
}

// A package with an empty program-group name and no shortcuts installs
// without any message; the uninstall data names the Programs folder itself.
// Its folder of 1,500 files, packed as several records, installs whole.
void NoGroupScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& sourceDir) {
    Check(package.m_szGroup[0] == '\0' && package.m_nShortcutCount == 0, "the package has no group name and no shortcut");
    int marketRecords = 0;
    for (int d = 0; d < package.m_nDirCount; ++d) {
        marketRecords += Field(package.m_dirs[d].szName) == L"行情数据\\日线" ? 1 : 0;
    }
    Check(marketRecords == 3, "the folder of 1,500 files is packed as three records of its name");
    const std::wstring folder = Field(package.m_szInstallDir);
    DeleteTree(folder);
    SetupRun run;
    HWND sheet = WizardAtExtractionPage(run, setup, package);
    if (sheet == nullptr) {
        return;
    }
    if (RunInstallation(run, sheet, {})) {
        CheckInstalledTree(package, folder, sourceDir, CopiesOf(package, Wide(voz::InstallStyles(package).front())));
        CheckShortcutsAndUninstaller(package, folder);
        Screenshot(sheet, L"52-no-group-settings-page");
    }
    CloseWizard(run, sheet);
    DeleteTree(folder);
}

// An install folder that cannot be made (a file stands where a folder of its
// path should be): one message says that the installation did not complete
// and names the folder, and no settings file is written anywhere.
void NoFolderScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& workDir) {
    const std::wstring blocker = workDir + L"\\blocker";
    HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    Check(file != INVALID_HANDLE_VALUE, "a file stands in the install folder's way");
    CloseHandle(file);
    const std::wstring folder = blocker + L"\\沃兹期货";
    SetupRun run;
    HWND sheet = WizardAtExtractionPage(run, setup, package);
    if (sheet == nullptr) {
        return;
    }
    TypeInto(GetDlgItem(reinterpret_cast<HWND>(Send(sheet, PSM_INDEXTOHWND, 1)), 1000), folder);
    PressNext(sheet);
    HWND box = WaitMessageOver(run, sheet);
    if (Check(box != nullptr, "a message says the installation did not complete")) {
        const std::wstring text = Text(GetDlgItem(box, 0xFFFF));
        CheckText(text, L"安装未完成，有 1 项未能完成：\r\n\r\n安装目录 " + folder + L"（无法创建安装目录）",
                  "message text");
        Screenshot(box, L"53-no-install-folder");
        CloseMessage(box);
    }
    ExpectPage(sheet, 5, {false, true, false}, "after the message: first settings page");
    Check(NoSettingsFileIn(workDir) && !Exists(folder), "no settings file outside the install folder");
    CloseWizard(run, sheet);
    DeleteFileW(blocker.c_str());
}

// ---- The uninstaller ----

const std::wstring kAppListKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

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

// The temporary folder, without a trailing backslash.
std::wstring TemporaryFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    std::wstring folder(temp, GetTempPathW(MAX_PATH + 1, temp));
    if (!folder.empty() && folder.back() == L'\\') {
        folder.pop_back();
    }
    return folder;
}

// The names of the files in `folder` that match `pattern`.
std::vector<std::wstring> FileNames(const std::wstring& folder, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\" + pattern).c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        names.push_back(entry.cFileName);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    return names;
}

// The uninstaller's copies in the temporary folder.
int TemporaryCopies() { return static_cast<int>(FileNames(TemporaryFolder(), L"voz-uninstall-*.exe").size()); }

// A default installation of the package into `folder`, closed on the first
// settings page; true when it got there.
bool InstallInto(const std::wstring& setup, const CPackageInfo& package, const std::wstring& folder) {
    SetupRun run;
    HWND welcome = StartSetup(run, setup, package);
    HWND sheet = welcome != nullptr ? OpenWizard(run, welcome, package) : nullptr;
    if (!Check(sheet != nullptr, "the wizard opens")) {
        return false;
    }
    PressNext(sheet);
    ExpectPage(sheet, 1, {true, true, false}, "install folder page");
    TypeInto(GetDlgItem(CurrentPage(sheet), 1000), folder);
    for (int index = 2; index <= 4; ++index) {
        PressNext(sheet);
        ExpectPage(sheet, index, {true, true, false}, "Next to page " + std::to_string(index));
    }
    const bool installed = RunInstallation(run, sheet, {});
    PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    return Check(run.Ended(10000) && installed, "installed into " + Utf8(folder));
}

// The uninstaller as the program group's link starts it.
std::wstring UninstallerOfLink(const CPackageInfo& package) {
    for (int i = 0; i < package.m_nShortcutCount; ++i) {
        const voz::PackageShortcut& record = package.m_shortcuts[i];
        if (record.szTarget[0] == '\0' && record.nPlace == voz::kPlaceGroup) {
            return ReadLink(LinkFolder(package, record.nPlace) + L"\\" + Field(record.szLinkName)).target;
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

std::wstring MessageText(HWND box) { return Text(GetDlgItem(box, 0xFFFF)); }

// Answers a message box and waits until it is gone.
void Answer(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button), 0);
    WaitUntil([&] { return !IsWindow(box); });
}

// Starts the uninstaller; its own process ends at once, leaving the copy that does the work.
bool StartUninstaller(const std::wstring& path, const std::string& what) {
    SetupRun run;
    return Check(run.Start(path) && run.Ended(10000), what + ": the uninstaller starts");
}

// Waits until the uninstaller's copy has ended: its file goes with it.
void ExpectUninstallerGone(const std::string& what) {
    Check(WaitUntil([] { return TemporaryCopies() == 0; }, 15000), what + ": no copy of the uninstaller is left");
}

// Every trace the installation made is gone, except the files listed, which
// must stay where they are.
void CheckUninstalled(const CPackageInfo& package, const std::wstring& folder, const std::vector<std::wstring>& kept,
                      const std::string& what) {
    for (int i = 0; i < package.m_nShortcutCount; ++i) {
        const voz::PackageShortcut& record = package.m_shortcuts[i];
        const std::wstring link = LinkFolder(package, record.nPlace) + L"\\" + Field(record.szLinkName);
        Check(!Exists(link), what + ": link " + Utf8(link) + " is gone");
    }
    Check(!Exists(SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup)), what + ": the program group is gone");
    Check(!Exists(folder + L"\\" + Field(package.m_szUninstaller)), what + ": the uninstaller is gone");
    Check(!AppListed(package), what + ": the app-list entry is gone");
    for (int d = 0; d < package.m_nDirCount; ++d) {
        for (int f = 0; f < package.m_dirs[d].nFileCount; ++f) {
            const std::wstring dir = Field(package.m_dirs[d].szName);
            const std::wstring file = (dir.empty() ? L"" : dir + L"\\") + Field(package.m_dirs[d].files[f].szName);
            if (std::find(kept.begin(), kept.end(), file) == kept.end()) {
                Check(!Exists(folder + L"\\" + file), what + ": installed " + Utf8(file) + " is gone");
            }
        }
    }
    for (const wchar_t* file : {L"Voz.ini", L"2nd_voz.ini"}) {
        Check(!Exists(folder + L"\\" + file), what + ": " + Utf8(file) + " is gone");
    }
    for (const std::wstring& file : kept) {
        Check(Exists(folder + L"\\" + file), what + ": " + Utf8(file) + " stays");
    }
    Check(kept.empty() != Exists(folder), what + (kept.empty() ? ": the install folder is gone" : ": the folder stays"));
}

void WriteFileText(const std::wstring& path, const std::string& text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Writes `to` as the first `size` bytes of `from`, with the byte at `flip` changed when it is inside.
bool WriteChanged(const std::wstring& from, const std::wstring& to, size_t size, size_t flip) {
    std::vector<char> data = ReadAll(from);
    if (data.size() < size) {
        return false;
    }
    data.resize(size);
    if (flip < size) {
        data[flip] ^= 0x55;
    }
    DeleteFileW(to.c_str());
    WriteFileText(to, std::string(data.begin(), data.end()));
    return ReadAll(to).size() == size;
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
    CheckText(AppListValue(package, L"DisplayName"), title, "app list: DisplayName");
    CheckText(AppListValue(package, L"DisplayVersion"), Field(package.m_szVersion), "app list: DisplayVersion");
    CheckText(AppListValue(package, L"Publisher"), Field(package.m_szCompany), "app list: Publisher");
    CheckText(AppListValue(package, L"InstallLocation"), folder, "app list: InstallLocation");
    CheckText(AppListValue(package, L"DisplayIcon"), folder + L"\\" + Field(package.m_szMainExe), "app list: DisplayIcon");
    CheckText(AppListValue(package, L"UninstallString"), L"\"" + uninstaller + L"\"", "app list: UninstallString");

    // Cancel at the confirmation removes nothing.
    if (StartUninstaller(UninstallerOfLink(package), "cancel")) {
        HWND box = WaitUninstallerMessage(package, "cancel");
        CheckText(MessageText(box), L"确实要卸载 " + title + L" " + Field(package.m_szVersion) + L" 及其全部组件吗？",
                  "the confirmation names title and version");
        Screenshot(box, L"41-uninstall-confirm");
        Answer(box, IDNO);
        ExpectUninstallerGone("cancel");
        Check(Exists(uninstaller) && Exists(folder + L"\\VozClient.exe") && AppListed(package) &&
                  Exists(SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup)),
              "cancel removed nothing");
    }

    // A file the user made stays and is named; everything installed goes.
    CreateDirectoryW((folder + L"\\交易记录").c_str(), nullptr);
    WriteFileText(folder + L"\\交易记录\\今日成交.txt", "trades");
    if (StartUninstaller(UninstallerOfLink(package), "uninstall")) {
        Answer(WaitUninstallerMessage(package, "uninstall"), IDYES);
        HWND done = WaitUninstallerMessage(package, "uninstall: closing message");
        const std::wstring text = MessageText(done);
        Check(text.find(L"以下文件不是安装程序写入的") != std::wstring::npos &&
                  text.find(folder) != std::wstring::npos && text.find(L"交易记录\\今日成交.txt") != std::wstring::npos,
              "the closing message names the file left and where: " + Utf8(text));
        Screenshot(done, L"42-uninstall-left");
        Answer(done, IDOK);
        ExpectUninstallerGone("uninstall");
        CheckUninstalled(package, folder, {L"交易记录\\今日成交.txt"}, "uninstall");
    }
    DeleteTree(folder);

    // Installed into a folder that held other files: only the installed files go.
    const std::wstring shared = workDir + L"\\shared";
    CleanInstallation(package, shared);
    CreateDirectoryW(shared.c_str(), nullptr);
    WriteFileText(shared + L"\\readme.txt", "mine");
    if (InstallInto(setup, package, shared) && StartUninstaller(shared + L"\\" + Field(package.m_szUninstaller), "shared")) {
        Answer(WaitUninstallerMessage(package, "shared"), IDYES);
        HWND done = WaitUninstallerMessage(package, "shared: closing message");
        Check(MessageText(done).find(L"readme.txt") != std::wstring::npos, "the closing message names readme.txt");
        Answer(done, IDOK);
        ExpectUninstallerGone("shared");
        CheckUninstalled(package, shared, {L"readme.txt"}, "shared folder");
    }
    DeleteTree(shared);

    // Damaged or cut uninstall data: a clear message, nothing removed.
    if (!InstallInto(setup, package, folder)) {
        return;
    }
    const std::wstring original = workDir + L"\\uninstaller-as-installed.exe";
    CopyFileW(uninstaller.c_str(), original.c_str(), FALSE);
    const size_t size = ReadAll(original).size();
    struct Broken {
        size_t size, flip;
        const wchar_t* what;
    };
    for (const Broken& broken : {Broken{size, size - 3, L"a changed log"}, Broken{size - 40, size, L"cut short"}}) {
        const std::string what = "uninstall data " + Utf8(broken.what);
        Check(WriteChanged(original, uninstaller, broken.size, broken.flip), what + ": written");
        SetupRun run;  // the uninstaller itself says what is wrong, before any copy is made
        if (Check(run.Start(uninstaller), what + ": the uninstaller starts")) {
            HWND box = WaitUninstallerMessage(package, what);
            CheckText(MessageText(box), L"卸载程序的卸载数据已损坏或不存在，无法卸载。\r\n没有删除任何文件。",
                      what + ": message");
            if (broken.flip < broken.size) {
                Screenshot(box, L"43-uninstall-damaged");
            }
            Answer(box, IDOK);
            Check(run.Ended(10000) && TemporaryCopies() == 0, what + ": the uninstaller ends, no copy made");
            Check(Exists(folder + L"\\VozClient.exe") && Exists(uninstaller) && AppListed(package) &&
                      Exists(SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup)),
                  what + ": nothing removed");
        }
    }

    // Started from the desktop, a folder it must never remove: refused.
    const std::wstring desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const std::wstring misplaced = desktop + L"\\" + Field(package.m_szUninstaller);
    if (Check(CopyFileW(original.c_str(), misplaced.c_str(), FALSE) != FALSE, "an uninstaller on the desktop")) {
        SetupRun run;
        if (Check(run.Start(misplaced), "desktop: the uninstaller starts")) {
            HWND box = WaitUninstallerMessage(package, "desktop");
            CheckText(MessageText(box),
                      L"卸载程序位于系统文件夹或用户文件夹中：\r\n" + desktop +
                          L"\r\n\r\n为安全起见，不能从这里卸载，没有删除任何文件。",
                      "desktop: the message names the folder");
            Screenshot(box, L"45-uninstall-refused");
            Answer(box, IDOK);
            Check(run.Ended(10000) && TemporaryCopies() == 0, "desktop: the uninstaller ends, no copy made");
        }
        Check(Exists(misplaced) && AppListed(package) && Exists(folder + L"\\VozClient.exe"), "desktop: nothing removed");
        DeleteFileW(misplaced.c_str());
    }

    // No log, as an older setup wrote: links and group go, the folder's tree
    // only after a question; declined, a second run finishes.
    const std::vector<char> bytes = ReadAll(original);
    const std::string marker(voz::kInstallLogMarker, sizeof voz::kInstallLogMarker);
    const size_t log = std::string(bytes.begin(), bytes.end()).rfind(marker);
    Check(log != std::string::npos && WriteChanged(original, uninstaller, log, log), "uninstall data without a log");
    for (const int answer : {IDNO, IDYES}) {
        const std::string what = answer == IDNO ? "no log, declined" : "no log, second run";
        if (!StartUninstaller(uninstaller, what)) {
            continue;
        }
        Answer(WaitUninstallerMessage(package, what), IDYES);
        HWND question = WaitUninstallerMessage(package, what + ": question");
        const std::wstring text = MessageText(question);
        Check(text.find(L"是否删除安装文件夹") != std::wstring::npos && text.find(folder) != std::wstring::npos,
              what + ": the question shows the folder: " + Utf8(text));
        if (answer == IDNO) {
            Screenshot(question, L"44-uninstall-no-log");
        }
        Answer(question, answer);
        Answer(WaitUninstallerMessage(package, what + ": closing message"), IDOK);
        ExpectUninstallerGone(what);
        Check(!Exists(SpecialFolder(CSIDL_PROGRAMS) + L"\\" + Field(package.m_szGroup)), what + ": the group is gone");
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
    const std::vector<std::wstring> planted = FileNames(plantedDir, L"*.dll");
    const std::wstring temp = TemporaryFolder();
    for (const std::wstring& target : {folder, temp}) {
        for (const std::wstring& dll : planted) {
            CopyFileW((plantedDir + L"\\" + dll).c_str(), (target + L"\\" + dll).c_str(), FALSE);
        }
    }
    Check(!planted.empty(), "DLLs planted beside the uninstaller and in the temporary folder");
    if (StartUninstaller(folder + L"\\" + Field(package.m_szUninstaller), "planted")) {
        Answer(WaitUninstallerMessage(package, "planted"), IDYES);
        Answer(WaitUninstallerMessage(package, "planted: closing message"), IDOK);
        ExpectUninstallerGone("planted");
    }
    for (const std::wstring& target : {folder, temp}) {
        std::string loaded;
        for (const std::wstring& marker : FileNames(target, L"*.loaded")) {
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
    ExpectOnlyMessage(changed, L"安装程序的数字签名与文件内容不符，文件在签名后已被改动，无法安装。请从可靠的来源重新下载安装程序。",
                      "setup changed after signing", L"32-signature-broken");
    Check(NothingInstalled(package, installDir), "the changed setup installed nothing");
}

// ---- Timing, for bench/install_bench.sh ----

// The installation into FOLDER, timed from Next on the extraction page to its
// end: the first settings page, or the message listing what could not be done
// (a tree without the client's Voz.ini gets one), which is then closed.
// Prints "installation: N ms" and closes the setup.
void TimeScenario(const std::wstring& setup, const CPackageInfo& package, const std::wstring& folder) {
    SetupRun run;
    HWND welcome = StartSetup(run, setup, package);
    HWND sheet = welcome != nullptr ? OpenWizard(run, welcome, package) : nullptr;
    if (!Check(sheet != nullptr, "the wizard opens")) {
        return;
    }
    PressNext(sheet);
    ExpectPage(sheet, 1, {true, true, false}, "install folder page");
    TypeInto(GetDlgItem(CurrentPage(sheet), 1000), folder);
    for (int index = 2; index <= 4; ++index) {
        PressNext(sheet);
        ExpectPage(sheet, index, {true, true, false}, "Next to page " + std::to_string(index));
    }
    HWND box = nullptr;
    const ULONGLONG start = GetTickCount64();
    PressNext(sheet);
    const bool ended = WaitUntil(
        [&] {
            std::vector<HWND> boxes =
                TopWindows(run.Id(), [&](HWND w) { return IsDialog(w) && GetWindow(w, GW_OWNER) == sheet; });
            box = boxes.empty() ? nullptr : boxes.front();
            return box != nullptr || PageIndex(sheet) == 5;
        },
        600000);
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (!Check(ended, "the installation ends")) {
        return;
    }
    std::printf("installation: %llu ms\n", elapsed);
    if (box != nullptr) {
        std::printf("message: %s\n", Utf8(Text(GetDlgItem(box, 0xFFFF))).c_str());
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
    ExpectPage(sheet, 5, {false, true, false}, "first settings page");
    PostMessageW(sheet, WM_SYSCOMMAND, SC_CLOSE, 0);
    Check(run.Ended(10000), "the close box ends the setup");
}

// Runs PROGRAM with ARGUMENTS to its end; prints "run: N ms" from its start
// to its exit, and returns its exit code.
int TimeProgram(const std::wstring& program, const std::wstring& arguments) {
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    std::wstring command = L"\"" + program + L"\" " + arguments;
    const ULONGLONG start = GetTickCount64();
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s\n", Utf8(program).c_str());
        return 2;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    const ULONGLONG elapsed = GetTickCount64() - start;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("run: %llu ms\n", elapsed);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: setup_driver install|variant|quit|unsaved|demo|signed|broken|folders|nogroup|"
                             "nofolder|uninstall|uninstall-planted|time|run-timed SETUP.exe WORK-DIR [SOURCE-DIR|STUB|PLANTED-DIR] [FOLDER]\n");
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
    static CPackageInfo package;  // tens of megabytes: static storage
    voz::LoadPackageFile(package, setup);
    const std::wstring extra = argc > 4 ? Backslashed(argv[4]) : L"";
    Check(package.m_status.sound(), "the package loads");
    if (scenario == L"install") {
        InstallScenario(setup, package, extra);
    } else if (scenario == L"variant") {
        VariantScenario(setup, package, extra);
    } else if (scenario == L"quit") {
        QuitScenario(setup, package, g_shotDir);
    } else if (scenario == L"demo" && argc > 5) {
        DemoScenario(setup, package, extra, Backslashed(argv[5]));
    } else if (scenario == L"signed" && argc > 5) {
        SignedScenario(setup, package, extra, Backslashed(argv[5]), g_shotDir);
    } else if (scenario == L"unsaved") {
        UnsavedScenario(setup, package);
    } else if (scenario == L"broken") {
        BrokenScenario(setup, package, extra, g_shotDir);
    } else if (scenario == L"folders") {
        FoldersScenario(setup, package);
    } else if (scenario == L"nogroup") {
        NoGroupScenario(setup, package, extra);
    } else if (scenario == L"nofolder") {
        NoFolderScenario(setup, package, g_shotDir);
    } else if (scenario == L"uninstall-planted" && argc > 4) {
        UninstallPlantedScenario(setup, package, g_shotDir, extra);
    } else if (scenario == L"uninstall") {
        UninstallScenario(setup, package, g_shotDir);
    } else if (scenario == L"time" && argc > 4) {
        TimeScenario(setup, package, extra);
    } else {
        std::fprintf(stderr, "unknown scenario\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
