#include "wizard/prop3.h"

#include <commctrl.h>

#include "os/file.h"
#include "package/extract.h"
#include "package/install_paths.h"
#include "package/install_rules.h"
#include "resources/resource.h"
#include "settings/settings_commit.h"
#include "wizard/install_messages.h"
#include "wizard/prop_sheet.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"
#include "wizard/text_layout.h"

namespace voz {

HWND g_pProgress = nullptr;
HANDLE g_hExtractEvent = nullptr;
CPackageInfo* g_pExtractPackage = nullptr;

namespace {

// Copies GBK text into a fixed character field; the text is known to fit.
template <size_t N>
void CopyToField(char (&field)[N], const std::string& text) {
    const size_t n = text.size() < N - 1 ? text.size() : N - 1;
    text.copy(field, n);
    field[n] = '\0';
}

// Why the install folder field cannot be used, or null when it can: an
// empty or relative folder would install below whatever the current folder
// is; one that does not fit the package's 256-byte field, that GBK cannot
// hold or that Windows does not allow is refused rather than changed.
const char* FolderProblem(bool readable, const std::string& folder) {
    if (!readable) {
        return texts::kFolderUnusable;
    }
    switch (CheckName(NameKind::kInstallFolder, folder)) {
    case NameCheck::kSafe: return nullptr;
    case NameCheck::kEmpty:
    case NameCheck::kNotAbsolute: return texts::kFolderNotAbsolute;
    default: return texts::kFolderUnusable;
    }
}

}  // namespace

CProp3::CProp3() : PropertyPage(IDD_PROP3) {}

bool CProp3::OnInitDialog() {
    g_pProgress = Item(IDC_PROGRESS);
    return true;
}

void CProp3::OnSetActive() { Sheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT); }

LRESULT CProp3::OnWizardNext() {
    auto* sheet = static_cast<CPropSheet*>(Sheet());
    if (g_hExtractEvent != nullptr) {
        return ui::kStayOnPage;  // the installation runs once per program run; the package stays as it started
    }
    // The folder is the field's text at this moment.
    std::string folder;
    const bool readable = sheet->m_prop2.ItemText(IDC_FOLDER, folder);
    if (const char* problem = FolderProblem(readable, folder)) {
        ui::MessageBoxGbk(sheet->Handle(), problem, texts::kMessageCaption, MB_OK | MB_ICONWARNING);
        return ui::kStayOnPage;
    }
    std::string style;
    sheet->m_prop2_2.ItemText(IDC_LIST, style);

    sheet->SetWizardButtons(0);
    CPackageInfo& package = TheApp().m_package;
    CopyToField(package.m_szInstallDir, folder);
    CopyToField(package.m_szStyle, style);
    g_hExtractEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    g_pExtractPackage = &package;
    m_extracting = true;
    HANDLE thread = CreateThread(nullptr, 0, ExtractionThread, this, 0, nullptr);
    if (thread == nullptr) {
        // Nothing was started: the user may try again.
        m_extracting = false;
        CloseHandle(g_hExtractEvent);
        g_hExtractEvent = nullptr;
        sheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
        return ui::kStayOnPage;
    }
    CloseHandle(thread);
    return ui::kStayOnPage;
}

bool CProp3::OnQueryCancel() {
    // Closing now would end the process under a half-written installation.
    if (m_extracting) {
        MessageBeep(MB_ICONWARNING);
        return false;
    }
    return true;
}

DWORD WINAPI CProp3::ExtractionThread(LPVOID parameter) {
    auto* page = static_cast<CProp3*>(parameter);
    ShowWindow(g_pProgress, SW_SHOW);
    SetDlgItemTextW(page->Handle(), IDC_STATUS, ui::Wide(texts::kExtractingStatus).c_str());

    std::vector<ExtractFailure> failures;
    os::InputFile setup;
    if (setup.Open(SetupFilePath())) {
        WindowsShell shell;
        ExtractOptions options;
        options.shell = &shell;
        // Sent: the worker waits until the user-interface thread has moved the bar.
        options.progress = [](int percent) { SendMessageW(g_pProgress, PBM_SETPOS, static_cast<WPARAM>(percent), 0); };
        options.fileWritten = [page](std::string_view) { ++page->m_filesWritten; };
        // A lambda rather than the function itself: std::function would
        // otherwise link the type information of function pointers.
        options.registerApp = [](const os::AppListEntry& entry) { return os::WriteAppListEntry(entry); };
        // Written when the installation is done; the uninstaller removes them too.
        options.laterFiles = {std::string(kSettingsFileName), std::string(kSecondSettingsFileName)};
        failures = ExtractPackage(*g_pExtractPackage, setup, options);
    } else {
        failures.push_back({"", FailureKind::kDamagedData, "the setup file cannot be opened again"});
    }
    Sleep(100);
    ShowWindow(g_pProgress, SW_HIDE);
    page->m_failures = std::move(failures);
    SetEvent(g_hExtractEvent);
    PostMessageW(page->Handle(), WM_EXTRACT_DONE, 0, 0);
    return 0;
}

bool CProp3::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) != Item(IDC_STATUS)) {
            return false;
        }
        // The status text is written on white over the page's image.
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    case WM_PAINT:
        PaintScreen(m_hWnd, kExtractScreen, nullptr);
        result = TRUE;
        return true;
    case WM_EXTRACT_DONE:
        OnExtractDone();
        result = TRUE;
        return true;
    default:
        return false;
    }
}

void CProp3::OnExtractDone() {
    m_extracting = false;
    auto* sheet = static_cast<CPropSheet*>(Sheet());
    CSetupApp& app = TheApp();
    const bool completed = InstallationCompleted(m_failures, PackagedFileCount(app.m_package), m_filesWritten);
    if (completed) {
        CommitAfterExtraction(sheet->m_prop2_1.SelectedOrderSoftware());
    } else {
        app.m_settings.ReadFrom(CIniFile());  // no install folder to read from or write into: the defaults
    }
    if (!m_failures.empty()) {
        ui::MessageBoxGbk(sheet->Handle(), FailureSummary(m_failures, completed), texts::kMessageCaption,
                          MB_OK | MB_ICONWARNING);
    }
    LoadSettingsPages(app.m_settings, sheet->m_dlgNew1, sheet->m_dlgNew2, sheet->m_dlgNew3);
    sheet->SetActivePage(sheet->m_dlgNew1);
}

// The client's settings as the installation left them, style copies
// included, and the order software the user chose; a settings file that
// cannot be read or written joins the installation's failures.
void CProp3::CommitAfterExtraction(int orderSoftware) {
    const std::string_view folder = FieldText(TheApp().m_package.m_szInstallDir);
    if (LoadClientSettings(TheApp().m_settings, folder) != IniStatus::kOk) {
        m_failures.push_back({std::string(kSettingsFileName), FailureKind::kReadFailed, "", FailureItem::kSettingsFile});
    }
    if (WriteMainTrade(folder, orderSoftware) != IniStatus::kOk) {
        m_failures.push_back(
            {std::string(kSecondSettingsFileName), FailureKind::kWriteFailed, "", FailureItem::kSettingsFile});
    }
}

}  // namespace voz
