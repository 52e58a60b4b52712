#include "wizard/setup_app.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <vector>

#include "package/install_paths.h"
#include "os/code_signature.h"
#include "os/dll_search.h"
#include "package/package_loader.h"
#include "ui/window.h"
#include "wizard/setup_dlg.h"
#include "wizard/setup_texts.h"

namespace voz {

namespace {

// The application object lives in WinMain for the whole run.
CSetupApp* g_theApp = nullptr;

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

void CSetupApp::InitInstance() {
    // The folder browser is a shell component; the progress bar and the
    // wizard come from the common controls.
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    const std::wstring setupPath = SetupFilePath();
    if (os::ProgramSignatureDigestBroken(setupPath)) {
        ui::MessageBoxGbk(nullptr, texts::kSignatureBroken, texts::kMessageCaption, MB_OK | MB_ICONERROR);
        return;
    }
    LoadPackageFile(m_package, setupPath);
    if (!m_package.m_status.sound()) {
        ui::MessageBoxGbk(nullptr, texts::kPackageBroken, texts::kMessageCaption, MB_OK | MB_ICONERROR);
        return;
    }
    CSetupDlg dialog;
    dialog.DoModal(nullptr);
}

}  // namespace voz

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Before anything loads a DLL: the setup is often started from a
    // downloads folder, where others may have left DLLs of any name.
    voz::os::RestrictDllSearchToSystem();
    voz::CSetupApp app;
    voz::g_theApp = &app;
    app.InitInstance();
    return 0;
}
