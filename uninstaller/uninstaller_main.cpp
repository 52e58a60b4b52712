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
// The started program waits for the copy's outcome and ends with it as its
// exit code, so that whoever waits for 卸载.exe learns the real result: the
// copy removes everything but 卸载.exe itself, sends the outcome through an
// inherited pipe, waits for the starting program to end, and only then
// deletes 卸载.exe and the install folder, when empty, and says what stayed.
//
//   卸载.exe [/S] [/LOG=FILE]      the user's or a deployment tool's start; /S
//                                  asks nothing and shows no window
//   copy.exe --finish PARENT PIPE "卸载.exe path" "log path" [/S]
//                                  the copy: PARENT and PIPE are inherited
//                                  handles of the starting process and of the
//                                  pipe's writing end
#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "os/app_list.h"
#include "os/command_line.h"
#include "os/dll_search.h"
#include "os/file.h"
#include "os/filesystem.h"
#include "os/gbk.h"
#include "os/line_file.h"
#include "os/process.h"
#include "os/shell.h"
#include "os/system_info.h"
#include "os/text_encoding.h"
#include "os/text_parts.h"
#include "package/directory_removal.h"
#include "package/install_paths.h"
#include "package/install_rules.h"
#include "package/support_log.h"
#include "package/uninstall.h"
#include "ui/window.h"
#include "uninstaller/uninstall_texts.h"

namespace voz {

namespace {

namespace texts = uninstall_texts;

constexpr char kFinishSwitch[] = "--finish";
constexpr size_t kLeftoversNamed = 10;
constexpr DWORD kParentExitWaitMs = 30000;
// The support log's name in the temporary folder, after the title.
constexpr char kLogSuffix[] = "\xD0\xB6\xD4\xD8\xC8\xD5\xD6\xBE.txt";  // 卸载日志.txt

uint64_t ParseDecimal(std::string_view digits) {
    uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

std::string Gbk(const std::wstring& wide) { return os::WideToGbk(wide).value_or(""); }
std::wstring Wide(std::string_view utf8) { return os::Utf8ToWide(utf8).value_or(L""); }
std::wstring WideDecimal(uint32_t value) { return Wide(os::Decimal(value)); }

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

// A run of the uninstaller: whether it may ask and show windows, and its log.
struct Run {
    bool silent = false;
    SupportLog log;

    ExitCode End(ExitCode code) { return LogExitCode(log, kUninstallerExitCodes, code); }
};

class Uninstaller {
public:
    Uninstaller(std::string uninstallerPath, Run& run)
        : m_path(std::move(uninstallerPath)),
          m_installDir(FolderOf(m_path)),
          m_special(TheSpecialFolders()),
          m_run(run) {}

    // Reads the data appended to `program`.
    void Read(const std::wstring& program) {
        os::InputFile file;
        if (file.Open(program, os::kRecordBuffer)) {
            m_data = ReadUninstallData(file);
        }
    }
    const std::string& Title() const { return m_data.table.title; }

    // Checks the data and the install folder; says what is wrong and returns
    // its exit code when nothing may be removed.
    std::optional<ExitCode> Refusal() {
        if (m_data.state != UninstallDataState::kSound && m_data.state != UninstallDataState::kNoLog) {
            Say(texts::kDataBroken, MB_ICONERROR);
            return ExitCode::kDamaged;
        }
        if (IsProtectedFolder(m_installDir, m_special)) {
            Say(os::Joined({texts::kProtectedPrefix, m_installDir, texts::kProtectedSuffix}), MB_ICONERROR);
            return ExitCode::kNotCompleted;
        }
        return std::nullopt;
    }

    void LogInstallation() {
        m_run.log.Line({"installation: ", m_data.table.title, " ", m_data.table.version, ", install folder ",
                        m_installDir, m_data.state == UninstallDataState::kNoLog ? ", no install log" : ""});
    }

    bool Confirm() {
        return Ask(
            os::Joined({texts::kConfirmPrefix, m_data.table.title, " ", m_data.table.version, texts::kConfirmSuffix}),
            MB_ICONQUESTION, true);
    }

    // Removes what the installation made, all but this uninstaller's own file.
    ExitCode RemoveAllButSelf() {
        for (const std::string& link : RemoveLinks(m_data.table, m_special)) {
            m_run.log.Line({"link removed: ", link});
        }
        if (RemoveGroup(m_data.table, m_special)) {
            m_run.log.Line({"program group removed: ", m_data.table.group});
        }
        if (m_data.state != UninstallDataState::kSound) {
            // Without a log nothing tells the installed files from the user's:
            // the folder's whole tree goes only when the user says so.
            if (!Ask(os::Joined({texts::kNoLogPrefix, m_installDir}), MB_ICONWARNING, false)) {
                m_run.log.Line({"no install log: the install folder is kept"});
                return ExitCode::kDoneWithFailures;
            }
            std::vector<ExtractFailure> stayed;
            RemoveDirectoryTree(m_installDir, stayed);
            // This program's file, and with it the folder, go once it has ended.
            std::erase_if(stayed, [&](const ExtractFailure& failure) {
                return SamePath(failure.path, m_path) || SamePath(failure.path, m_installDir);
            });
            LogFailures(stayed);
            m_treeGoes = true;
            return stayed.empty() ? ExitCode::kDone : ExitCode::kDoneWithFailures;
        }
        const Removal removal = RemoveLogged(m_installDir, m_data.log, "");
        LogRemoval(removal);
        RemoveAppEntry();
        return removal.failures.empty() ? ExitCode::kDone : ExitCode::kDoneWithFailures;
    }

    // Once the starting program has ended: deletes this uninstaller's file
    // and the folders it kept, then says what stayed.
    void Finish() {
        if (m_data.state == UninstallDataState::kSound) {
            LogRemoval(RemoveLogged(m_installDir, m_data.log, NameOf(m_path)));
        } else if (m_treeGoes) {
            LogRemoval(RemoveLogged(m_installDir, {}, NameOf(m_path)));
        }
        Leftovers left = FindLeftovers(m_installDir, kLeftoversNamed);
        if (left.total == 0) {
            os::NativePath folder;
            if (ToNativePath(m_installDir, folder) && os::RemoveEmptyFolder(folder)) {
                m_run.log.Line({"removed: ", m_installDir});  // emptied by the user
            }
            Say(m_data.table.title + texts::kDoneSuffix, MB_ICONINFORMATION);
        } else {
            Say(LeftoverMessage(left), MB_ICONINFORMATION);
        }
    }

private:
    std::string Caption() const { return os::Joined({m_data.table.title, " ", texts::kCaptionSuffix}); }

    // Says `text` in a message box, or when silent only in the log.
    void Say(const std::string& text, UINT icon) const {
        m_run.log.Line({text});
        if (!m_run.silent) {
            ui::MessageBoxGbk(nullptr, text, Caption(), MB_OK | icon);
        }
    }
    // Asks a yes-or-no question; when silent, `silentAnswer` is the answer.
    bool Ask(const std::string& text, UINT icon, bool silentAnswer) const {
        if (m_run.silent) {
            return silentAnswer;
        }
        return ui::MessageBoxGbk(nullptr, text, Caption(), MB_YESNO | MB_DEFBUTTON2 | icon) == IDYES;
    }

    void LogFailures(const std::vector<ExtractFailure>& failures) const {
        for (const ExtractFailure& failure : failures) {
            LogFailure(m_run.log, failure);
        }
    }
    void LogRemoval(const Removal& removal) const {
        for (const std::string& path : removal.removed) {
            m_run.log.Line({"removed: ", path});
        }
        LogFailures(removal.failures);
    }

    // The entry goes only when it still describes this installation: another
    // installation of the same title may have taken the key over since.
    void RemoveAppEntry() const {
        std::string location;
        if (!m_data.log.appListKey.empty() && os::ReadAppListLocation(m_data.log.appListKey, location) &&
            SamePath(location, m_installDir) && os::RemoveAppListEntry(m_data.log.appListKey)) {
            m_run.log.Line({"app list entry removed: ", m_data.log.appListKey});
        }
    }

    std::string LeftoverMessage(const Leftovers& left) const {
        std::string text =
            os::Joined({m_data.table.title, texts::kLeftPrefix, m_installDir, texts::kLeftColon, "\r\n"});
        for (const std::string& name : left.names) {
            text += os::Joined({"\r\n    ", name});
        }
        if (left.total > left.names.size()) {
            text += os::Joined({"\r\n", texts::kLeftMore,
                                os::Decimal(static_cast<uint32_t>(left.total - left.names.size())),
                                texts::kLeftMoreSuffix});
        }
        return text;
    }

    std::string m_path;
    std::string m_installDir;
    SpecialFolders m_special;
    Run& m_run;
    UninstallData m_data;
    bool m_treeGoes = false;  // without a log, the user let the install folder's tree go
};

// The command line of the user's start: /S and /LOG=; false, with /S, for a
// word the uninstaller does not know (without /S such words are ignored).
struct StartArguments {
    bool silent = false;
    std::optional<std::string> log;
    bool unknown = false;
};

StartArguments ReadStartArguments(const std::vector<std::string>& words) {
    StartArguments arguments;
    for (size_t i = 1; i < words.size(); ++i) {
        if (os::IsSwitch(words[i], "/S")) {
            arguments.silent = true;
        } else if (!os::TakeValue(words[i], "/LOG=", arguments.log)) {
            arguments.unknown = true;
        }
    }
    return arguments;
}

// Starts the log at /LOG= or in the temporary folder, named after the title,
// with what a help desk needs first; the path it went to.
std::wstring StartLog(Run& run, const std::optional<std::string>& elsewhere, const std::string& title,
                      const std::wstring& self) {
    const std::wstring path =
        run.log.OpenRequestedOrTemporary(elsewhere ? os::Utf8ToWide(*elsewhere) : std::nullopt, title, kLogSuffix);
    run.log.Utf8Line({"uninstaller: ", os::WideToUtf8(self), ", started ", TimeText(os::LocalTime())});
    run.log.Utf8Line({"command line: ", os::CommandLine()});
    run.log.Line({"system: ", os::SystemDescription()});
    return path;
}

// Copies this program into the temporary folder and starts the copy with
// delete-on-close, handing it the log and a pipe for its outcome; the copy's
// process when it runs.
HANDLE StartCopy(const std::wstring& self, const std::wstring& logPath, bool silent, HANDLE outcomeWriter) {
    const std::wstring folder = os::TemporaryFolder();
    if (folder.empty()) {
        return nullptr;
    }
    const std::wstring copy = folder + L"voz-uninstall-" + WideDecimal(GetCurrentProcessId()) + L".exe";
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
        return nullptr;
    }
    HANDLE selfProcess = OpenProcess(SYNCHRONIZE, TRUE, GetCurrentProcessId());
    std::wstring command = L"\"" + copy + L"\" " + Wide(kFinishSwitch) + L" " +
                           WideDecimal(static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(selfProcess))) + L" " +
                           WideDecimal(static_cast<uint32_t>(reinterpret_cast<UINT_PTR>(outcomeWriter))) + L" \"" +
                           self + L"\" \"" + logPath + L"\"" + (silent ? L" /S" : L"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    const bool running = selfProcess != nullptr && CreateProcessW(copy.c_str(), command.data(), nullptr, nullptr, TRUE,
                                                                  0, nullptr, folder.c_str(), &startup, &started);
    if (running) {
        CloseHandle(started.hThread);
    }
    if (selfProcess != nullptr) {
        CloseHandle(selfProcess);
    }
    CloseHandle(file);  // the copy holds the inherited handle until it ends
    return running ? started.hProcess : nullptr;
}

// The copy's outcome, sent through the pipe once all but 卸载.exe is done; or,
// when the copy ended without sending one, its exit code.
ExitCode AwaitOutcome(HANDLE copy, HANDLE outcomeReader) {
    uint32_t code = 0;
    DWORD read = 0;
    if (!ReadFile(outcomeReader, &code, sizeof code, &read, nullptr) || read != sizeof code) {
        WaitForSingleObject(copy, INFINITE);
        DWORD exitCode = static_cast<DWORD>(ExitCode::kNotCompleted);
        GetExitCodeProcess(copy, &exitCode);
        code = exitCode;
    }
    return static_cast<ExitCode>(code);
}

ExitCode StartFromInstallFolder(const std::vector<std::string>& words) {
    const StartArguments arguments = ReadStartArguments(words);
    Run run;
    run.silent = arguments.silent;
    if (run.silent) {
        os::KeepErrorWindowsAway();
    }
    const std::wstring self = ModulePath();
    Uninstaller uninstaller(Gbk(self), run);
    uninstaller.Read(self);
    const std::wstring logPath = StartLog(run, arguments.log, uninstaller.Title(), self);
    uninstaller.LogInstallation();
    if (run.silent && arguments.unknown) {
        run.log.Line({"command line refused: unknown argument"});
        return run.End(ExitCode::kBadCommandLine);
    }
    if (std::optional<ExitCode> refused = uninstaller.Refusal()) {
        return run.End(*refused);
    }
    // The copy writes into the pipe; this end reads what it sends.
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    HANDLE reader = nullptr;
    HANDLE writer = nullptr;
    HANDLE copy = CreatePipe(&reader, &writer, &inherited, 0) && SetHandleInformation(reader, HANDLE_FLAG_INHERIT, 0)
                      ? StartCopy(self, logPath, run.silent, writer)
                      : nullptr;
    if (writer != nullptr) {
        CloseHandle(writer);  // the copy holds its own: a copy that ends early breaks the pipe
    }
    if (copy == nullptr) {
        run.log.Line({texts::kNoCopy});
        if (!run.silent) {
            ui::MessageBoxGbk(nullptr, texts::kNoCopy, texts::kCaptionSuffix, MB_OK | MB_ICONERROR);
        }
        return run.End(ExitCode::kNotCompleted);
    }
    const ExitCode code = AwaitOutcome(copy, reader);
    CloseHandle(copy);
    CloseHandle(reader);
    return code;  // the copy's log ends with it
}

// The copy's work: words are its switch, the starting process, the pipe, the
// original's path, the log's path and /S.
ExitCode FinishAsCopy(const std::vector<std::string>& words) {
    auto handle = [&](size_t i) { return reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(ParseDecimal(words[i]))); };
    HANDLE parent = handle(2);
    HANDLE outcome = handle(3);
    const std::wstring original = Wide(words[4]);
    Run run;
    run.silent = words.size() > 6 && words[6] == "/S";
    if (run.silent) {
        os::KeepErrorWindowsAway();
    }
    run.log.Open(Wide(words[5]), true);
    run.log.Utf8Line({"working from the temporary copy ", os::WideToUtf8(ModulePath())});
    Uninstaller uninstaller(Gbk(original), run);
    uninstaller.Read(original);
    ExitCode code = uninstaller.Refusal().value_or(ExitCode::kDone);
    const bool work = code == ExitCode::kDone && uninstaller.Confirm();
    if (code == ExitCode::kDone) {
        code = work ? uninstaller.RemoveAllButSelf() : ExitCode::kCancelled;
    }
    run.End(code);
    DWORD sent = 0;
    const auto value = static_cast<uint32_t>(code);
    WriteFile(outcome, &value, sizeof value, &sent, nullptr);
    CloseHandle(outcome);
    // 卸载.exe can go once the program started from it has ended, which it
    // does as soon as it has the outcome.
    WaitForSingleObject(parent, kParentExitWaitMs);
    CloseHandle(parent);
    if (work) {
        uninstaller.Finish();
    }
    return code;
}

}  // namespace

}  // namespace voz

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything loads a DLL: the uninstaller runs from the install
    // folder and from the temporary folder, where others may have left DLLs.
    voz::os::RestrictDllSearchToSystem();
    const std::vector<std::string> words = voz::os::ProgramArguments(0, nullptr);
    const bool copy = words.size() >= 6 && words[1] == voz::kFinishSwitch;
    return static_cast<int>(copy ? voz::FinishAsCopy(words) : voz::StartFromInstallFolder(words));
}
