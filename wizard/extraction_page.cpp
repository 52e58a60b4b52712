#include "wizard/extraction_page.h"

#include <commctrl.h>

#include "package/install_plan.h"
#include "package/install_rules.h"
#include "resources/resource.h"
#include "wizard/install_messages.h"
#include "wizard/installation_run.h"
#include "wizard/prop_sheet.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"
#include "wizard/text_layout.h"

namespace voz {

namespace {

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

CExtractionPage::CExtractionPage(InstallationState& installation)
    : PropertyPage(IDD_PROP3), m_installation(installation) {}

bool CExtractionPage::OnInitDialog() {
    m_job.package = &TheApp().m_package;
    m_job.installation = &m_installation;
    m_job.page = m_hWnd;
    m_job.progressBar = Item(IDC_PROGRESS);
    return true;
}

void CExtractionPage::OnSetActive() { Sheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT); }

LRESULT CExtractionPage::OnWizardNext() {
    auto* sheet = static_cast<CPropSheet*>(Sheet());
    if (m_started) {
        return ui::kStayOnPage;  // the installation runs once per program run, with the choice it started with
    }
    // The folder is the field's text as the user left the folder page.
    const std::string& field = m_installation.folderField;
    if (const char* problem = FolderProblem(m_installation.folderFieldReadable, field)) {
        ui::MessageBoxGbk(sheet->Handle(), problem, texts::kMessageCaption, MB_OK | MB_ICONWARNING);
        return ui::kStayOnPage;
    }
    m_installation.choice.folder = *gbk::Path::From(field);  // the check refuses more than kMaxPathBytes
    LogChoice(TheApp().m_log, m_installation.choice, sheet->m_orderSoftwarePage.SelectedOrderSoftware());
    if (!ReadyToInstall()) {
        return ui::kStayOnPage;
    }

    sheet->SetWizardButtons(0);
    ShowWindow(m_job.progressBar, SW_SHOW);
    SetItemText(IDC_STATUS, texts::kExtractingStatus);
    m_started = m_extracting = true;
    HANDLE thread = CreateThread(nullptr, 0, ExtractionThread, &m_job, 0, nullptr);
    if (thread == nullptr) {
        // Nothing was started: the user may try again.
        m_started = m_extracting = false;
        ShowWindow(m_job.progressBar, SW_HIDE);
        SetItemText(IDC_STATUS, "");
        sheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
        return ui::kStayOnPage;
    }
    CloseHandle(thread);
    return ui::kStayOnPage;
}

bool CExtractionPage::ReadyToInstall() {
    const CPackageInfo& package = TheApp().m_package;
    const HWND owner = Sheet()->Handle();
    SupportLog& log = TheApp().m_log;
    const InstallPlan plan = PlanInstallation(package, m_installation.choice.folder);
    for (std::vector<std::string> inUse; !(inUse = LogFilesInUse(plan, log)).empty();) {
        if (ui::MessageBoxGbk(owner, FilesInUseMessage(inUse, FieldText(package.m_szTitle)), texts::kMessageCaption,
                              MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY) {
            return false;
        }
    }
    const SpaceCheck space = LogSpaceCheck(plan, package, log);
    if (!space.enough()) {
        ui::MessageBoxGbk(owner, SpaceMessage(space), texts::kMessageCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

bool CExtractionPage::OnQueryCancel() {
    // Closing now would end the process under a half-written installation.
    if (m_extracting) {
        MessageBeep(MB_ICONWARNING);
        return false;
    }
    return true;
}

DWORD WINAPI CExtractionPage::ExtractionThread(LPVOID parameter) {
    auto* job = static_cast<ExtractionJob*>(parameter);

    InstallationHooks hooks(TheApp().m_log);
    // Sent: the worker waits until the user-interface thread has moved the bar.
    hooks.options.progress = [job](int percent) {
        SendMessageW(job->progressBar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    };
    job->installation->report =
        InstallFromSetupFile(*job->package, job->installation->choice, hooks.options, TheApp().m_log);
    PostMessageW(job->page, WM_EXTRACT_DONE, 0, 0);
    return 0;
}

bool CExtractionPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
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
    default: return false;
    }
}

void CExtractionPage::OnExtractDone() {
    m_extracting = false;
    ShowWindow(m_job.progressBar, SW_HIDE);
    auto* sheet = static_cast<CPropSheet*>(Sheet());
    CSetupApp& app = TheApp();
    app.m_exitCode = AfterInstallation(m_installation, sheet->m_orderSoftwarePage.SelectedOrderSoftware(),
                                       app.m_settings, app.m_log);
    const InstallReport& report = m_installation.report;
    if (const std::string summary = InstallSummary(report); !summary.empty()) {
        const UINT icon = report.failures.empty() ? MB_ICONINFORMATION : MB_ICONWARNING;
        ui::MessageBoxGbk(sheet->Handle(), summary, texts::kMessageCaption, MB_OK | icon);
    }
    if (!report.installed) {
        // Nothing of it is left: the user may change the choice or try again.
        m_started = false;
        SendMessageW(m_job.progressBar, PBM_SETPOS, 0, 0);
        SetItemText(IDC_STATUS, "");
        sheet->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
        return;
    }
    LoadSettingsPages(app.m_settings, sheet->m_toolbarPage, sheet->m_orderPage, sheet->m_chartPage);
    sheet->SetActivePage(sheet->m_toolbarPage);
}

}  // namespace voz
