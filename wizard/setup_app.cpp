#include "wizard/setup_app.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <vector>

#include "os/app_list.h"
#include "os/dll_search.h"
#include "os/file.h"
#include "os/process.h"
#include "os/system_info.h"
#include "os/text_parts.h"
#include "os/text_encoding.h"
#include "package/extract.h"
#include "package/install_paths.h"
#include "package/install_plan.h"
#include "package/package_loader.h"
#include "ui/window.h"
#include "wizard/installation_run.h"
#include "wizard/setup_dlg.h"
#include "wizard/setup_texts.h"
#include "wizard/silent_install.h"

namespace voz {

namespace {

// The application object lives in WinMain for the whole run.
CSetupApp* g_theApp = nullptr;

const char* SignatureText(os::SignatureState state) {
    switch (state) {
    case os::SignatureState::kUnsigned: return "signature: none";
    case os::SignatureState::kDigestMatches: return "signature: digest matches the file";
    case os::SignatureState::kDigestBroken: return "signature: digest does NOT match the file";
    case os::SignatureState::kNotChecked: return "signature: present, not checked (no trust provider)";
    }
    return "";
}

}  // namespace

CSetupApp& TheApp() { return *g_theApp; }

std::wstring SetupFilePath() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            return std::wstring(path.data(), n);
        }
        path.resize(path.size() * 2);
    }
}

std::string WelcomeCaption(const CPackageInfo& package) {
    std::string caption = texts::kWelcomePrefix;
    caption += FieldText(package.m_szTitle);
    caption += ' ';
    caption += FieldText(package.m_szVersion);
    caption += ' ';
    return caption;
}

std::string CSetupApp::ProposedFolder() const {
    std::optional<std::string> folder = m_arguments.folder ? os::Utf8ToGbk(*m_arguments.folder) : std::nullopt;
    return folder ? *folder : UsualFolder();
}

std::string CSetupApp::UsualFolder() const {
    return m_earlierFolder ? m_earlierFolder->text() : std::string(FieldText(m_package.m_szInstallDir));
}

void CSetupApp::FindEarlierInstallation() {
    std::string listed;
    if (os::ReadAppListLocation(AppListKey(m_package), listed)) {
        m_earlierFolder = EarlierInstallFolder(m_package, listed);
    }
    m_log.Line({"earlier installation: ", m_earlierFolder ? std::string_view(m_earlierFolder->text()) : "none"});
}

ExitCode CSetupApp::InitInstance() {
    m_arguments = ParseSetupArguments(os::ProgramArguments(0, nullptr), os::CommandLine());
    if (m_arguments.silent) {
        os::KeepErrorWindowsAway();
    }
    const std::wstring setupPath = SetupFilePath();
    // A file changed after signing is not read any further.
    const os::SignatureState signature = os::ProgramSignature(setupPath);
    const bool signatureBroken = signature == os::SignatureState::kDigestBroken;
    if (!signatureBroken) {
        LoadPackageFile(m_package, setupPath);
    }
    StartLog(setupPath, signature, !signatureBroken && m_package.m_status.sound());
    if (!signatureBroken && m_package.m_status.sound()) {
        FindEarlierInstallation();
    }
    return LogExitCode(m_log, kSetupExitCodes, Run(signatureBroken));
}

ExitCode CSetupApp::Run(bool signatureBroken) {
    if (m_arguments.help) {
        Report(SetupHelpText().c_str(), MB_ICONINFORMATION);
        return ExitCode::kDone;
    }
    if (signatureBroken || !m_package.m_status.sound()) {
        Report(signatureBroken ? texts::kSignatureBroken : texts::kPackageBroken, MB_ICONERROR);
        return ExitCode::kDamaged;
    }
    if (m_arguments.silent) {
        return InstallSilently(*this);
    }
    // The folder browser is a shell component; the progress bar and the
    // wizard come from the common controls.
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    CSetupDlg dialog;
    dialog.DoModal(nullptr);
    return m_exitCode;
}

void CSetupApp::StartLog(const std::wstring& setupPath, os::SignatureState signature, bool sound) {
    const std::optional<os::NativePath> requested = m_arguments.log ? os::Utf8ToWide(*m_arguments.log) : std::nullopt;
    // A damaged package's title is not to be trusted: such a log is Voz's.
    const os::NativePath opened =
        m_log.OpenRequestedOrTemporary(requested, sound ? FieldText(m_package.m_szTitle) : "", kSetupLogName);
    const bool elsewhere = requested && opened == *requested;
    os::InputFile setup;
    const uint32_t size = setup.Open(setupPath, os::kRecordBuffer) ? static_cast<uint32_t>(setup.Size()) : 0;
    m_log.Utf8Line(
        {"setup: ", os::WideToUtf8(setupPath), ", ", os::Decimal(size), " bytes, started ", TimeText(os::LocalTime())});
    m_log.Line({"package: ", sound ? FieldText(m_package.m_szTitle) : "missing or damaged", " ",
                sound ? FieldText(m_package.m_szVersion) : ""});
    m_log.Line({SignatureText(signature)});
    m_log.Utf8Line({"command line: ", os::CommandLine()});
    if (m_arguments.log && !elsewhere) {
        m_log.Utf8Line({"the log cannot be written at ", *m_arguments.log});
    }
    m_log.Line({"system: ", os::SystemDescription()});
}

void CSetupApp::Report(const char* gbk, unsigned icon) {
    m_log.Line({gbk});
    if (!m_arguments.silent) {
        ui::MessageBoxGbk(nullptr, gbk, texts::kMessageCaption, MB_OK | icon);
    }
}

}  // namespace voz

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything loads a DLL: the setup is often started from a
    // downloads folder, where others may have left DLLs of any name.
    voz::os::RestrictDllSearchToSystem();
    voz::CSetupApp app;
    voz::g_theApp = &app;
    return static_cast<int>(app.InitInstance());
}
