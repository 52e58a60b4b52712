// The uninstaller, 卸载.exe. The setup writes it into the install folder and
// appends the uninstall table and the install log to it.
//
// A running program cannot delete its own file, so the uninstaller started
// from the install folder only checks its data and its folder, then copies
// itself into the temporary folder and starts the copy, which does the work.
// The copy's file is opened with delete-on-close and that handle is inherited
// by the copy: when the copy ends, the last handle closes and the system
// deletes the file, leaving no process and no temporary file behind.
//
//   卸载.exe                                the user's start
//   copy.exe --finish PARENT "卸载.exe path"   the copy: PARENT is an inherited
//                                            handle of the starting process
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "os/dll_search.h"
#include "os/app_list.h"
#include "os/file.h"
#include "os/filesystem.h"
#include "os/gbk.h"
#include "os/shell.h"
#include "os/text_encoding.h"
#include "package/directory_removal.h"
#include "package/install_paths.h"
#include "package/install_rules.h"
#include "package/uninstall.h"
#include "ui/window.h"
#include "uninstaller/uninstall_texts.h"

namespace voz {

namespace {

namespace texts = uninstall_texts;

constexpr wchar_t kFinishSwitch[] = L"--finish";
constexpr size_t kLeftoversNamed = 10;
constexpr DWORD kParentExitWaitMs = 30000;

// Decimal digits without the C library's formatting, which would more than
// double the program's size.
template <typename Text>
Text Decimal(uint64_t value) {
    Text digits;
    do {
        digits.insert(digits.begin(), static_cast<typename Text::value_type>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

uint64_t ParseDecimal(const std::wstring& digits) {
    uint64_t value = 0;
    for (wchar_t c : digits) {
        if (c < L'0' || c > L'9') {
            return 0;
        }
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    return value;
}

std::string Gbk(const std::wstring& wide) { return os::WideToGbk(wide).value_or(""); }

std::wstring ModulePath() {
    wchar_t path[MAX_PATH * 2] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return std::wstring(path, length);
}

std::string SpecialFolder(int csidl) {
    std::wstring path;
    return os::GetSpecialFolder(csidl, path) ? Gbk(path) : std::string();
}

SpecialFolders TheSpecialFolders() {
    SpecialFolders special;
    special.desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    special.programs = SpecialFolder(CSIDL_PROGRAMS);
    special.windows = SpecialFolder(CSIDL_WINDOWS);
    special.programFiles = SpecialFolder(CSIDL_PROGRAM_FILES);
    special.profile = SpecialFolder(CSIDL_PROFILE);
    return special;
}

// The folder that holds a file, and the file's name.
std::string FolderOf(const std::string& path) {
    size_t separator = gbk::LastSeparator(path);
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}
std::string NameOf(const std::string& path) {
    size_t separator = gbk::LastSeparator(path);
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

class Uninstaller {
public:
    explicit Uninstaller(std::string uninstallerPath)
        : m_path(std::move(uninstallerPath)), m_installDir(FolderOf(m_path)), m_special(TheSpecialFolders()) {}

    // Reads the data appended to `program` and checks the install folder;
    // says what is wrong in a message and returns false when nothing may be removed.
    bool Prepare(const std::wstring& program) {
        os::InputFile file;
        if (file.Open(program, os::kRecordBuffer)) {
            m_data = ReadUninstallData(file);
        }
        if (m_data.state != UninstallDataState::kSound && m_data.state != UninstallDataState::kNoLog) {
            Say(texts::kDataBroken, MB_ICONERROR);
            return false;
        }
        if (IsProtectedFolder(m_installDir, m_special)) {
            Say(texts::kProtectedPrefix + m_installDir + texts::kProtectedSuffix, MB_ICONERROR);
            return false;
        }
        return true;
    }

    bool Confirm() {
        return Ask(texts::kConfirmPrefix + m_data.table.title + ' ' + m_data.table.version + texts::kConfirmSuffix,
                   MB_ICONQUESTION);
    }

    void Run() {
        RemoveLinks(m_data.table, m_special);
        RemoveGroup(m_data.table, m_special);
        if (m_data.state == UninstallDataState::kSound) {
            RemoveLogged(m_installDir, m_data.log, NameOf(m_path));
            RemoveAppEntry();
        } else if (Ask(texts::kNoLogPrefix + m_installDir, MB_ICONWARNING)) {
            std::vector<ExtractFailure> stayed;
            RemoveDirectoryTree(m_installDir, stayed);
        }
        Leftovers left = FindLeftovers(m_installDir, kLeftoversNamed);
        if (left.total == 0) {
            os::NativePath folder;
            if (ToNativePath(m_installDir, folder)) {
                os::RemoveEmptyFolder(folder);  // the install folder, when the user made it empty
            }
            Say(m_data.table.title + texts::kDoneSuffix, MB_ICONINFORMATION);
        } else {
            Say(LeftoverMessage(left), MB_ICONINFORMATION);
        }
    }

private:
    std::string Caption() const { return m_data.table.title + ' ' + texts::kCaptionSuffix; }
    void Say(const std::string& text, UINT icon) const { ui::MessageBoxGbk(nullptr, text, Caption(), MB_OK | icon); }
    bool Ask(const std::string& text, UINT icon) const {
        return ui::MessageBoxGbk(nullptr, text, Caption(), MB_YESNO | MB_DEFBUTTON2 | icon) == IDYES;
    }

    // The entry goes only when it still describes this installation: another
    // installation of the same title may have taken the key over since.
    void RemoveAppEntry() const {
        std::string location;
        if (!m_data.log.appListKey.empty() && os::ReadAppListLocation(m_data.log.appListKey, location) &&
            SamePath(location, m_installDir)) {
            os::RemoveAppListEntry(m_data.log.appListKey);
        }
    }

    std::string LeftoverMessage(const Leftovers& left) const {
        std::string text = m_data.table.title + texts::kLeftPrefix + m_installDir + texts::kLeftColon + "\r\n";
        for (const std::string& name : left.names) {
            text += "\r\n    " + name;
        }
        if (left.total > left.names.size()) {
            text += "\r\n" + std::string(texts::kLeftMore) + Decimal<std::string>(left.total - left.names.size()) +
                    texts::kLeftMoreSuffix;
        }
        return text;
    }

    std::string m_path;
    std::string m_installDir;
    SpecialFolders m_special;
    UninstallData m_data;
};

// Copies this program into the temporary folder and starts the copy with
// delete-on-close; true when the copy runs.
bool StartCopy(const std::wstring& self) {
    wchar_t folder[MAX_PATH + 1] = {};
    if (GetTempPathW(MAX_PATH + 1, folder) == 0) {
        return false;
    }
    const std::wstring copy = std::wstring(folder) + L"voz-uninstall-" + Decimal<std::wstring>(GetCurrentProcessId()) + L".exe";
    // Opened without read or write access, so that the system can still load
    // the program from it; the handle only carries the delete-on-close.
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE file = INVALID_HANDLE_VALUE;
    if (CopyFileW(self.c_str(), copy.c_str(), FALSE)) {
        file = CreateFileW(copy.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherited, OPEN_EXISTING,
                           FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            DeleteFileW(copy.c_str());
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    HANDLE selfProcess = OpenProcess(SYNCHRONIZE, TRUE, GetCurrentProcessId());
    std::wstring command = L"\"" + copy + L"\" " + kFinishSwitch + L" " +
                           Decimal<std::wstring>(reinterpret_cast<UINT_PTR>(selfProcess)) + L" \"" + self + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    bool running = selfProcess != nullptr &&
                   CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &startup,
                                  &started);
    if (running) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    if (selfProcess != nullptr) {
        CloseHandle(selfProcess);
    }
    CloseHandle(file);  // the copy holds the inherited handle until it ends
    return running;
}

int StartFromInstallFolder() {
    const std::wstring self = ModulePath();
    Uninstaller uninstaller(Gbk(self));
    if (!uninstaller.Prepare(self)) {
        return 1;
    }
    if (!StartCopy(self)) {
        ui::MessageBoxGbk(nullptr, texts::kNoCopy, texts::kCaptionSuffix, MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}

int FinishAsCopy(const std::wstring& parent, const std::wstring& original) {
    auto process = reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(ParseDecimal(parent)));
    WaitForSingleObject(process, kParentExitWaitMs);
    CloseHandle(process);
    Uninstaller uninstaller(Gbk(original));
    if (!uninstaller.Prepare(original) || !uninstaller.Confirm()) {
        return 1;
    }
    uninstaller.Run();
    return 0;
}

}  // namespace

}  // namespace voz

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything loads a DLL: the uninstaller runs from the install
    // folder and from the temporary folder, where others may have left DLLs.
    voz::os::RestrictDllSearchToSystem();
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int status = argv != nullptr && argc == 4 && std::wstring(argv[1]) == voz::kFinishSwitch
                     ? voz::FinishAsCopy(argv[2], argv[3])
                     : voz::StartFromInstallFolder();
    LocalFree(argv);
    return status;
}
