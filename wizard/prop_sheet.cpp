#include "wizard/prop_sheet.h"

#include "resources/resource.h"
#include "wizard/installation_run.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"

namespace voz {

CPropSheet::CPropSheet()
    : PropertySheet("Setup"),
      m_folderPage(m_installation),
      m_stylePage(m_installation),
      m_extractionPage(m_installation) {
    AddPage(m_welcomePage);
    AddPage(m_folderPage);
    AddPage(m_stylePage);
    AddPage(m_orderSoftwarePage);
    AddPage(m_extractionPage);
    AddPage(m_toolbarPage);
    AddPage(m_orderPage);
    AddPage(m_chartPage);
    for (CSettingsPage* page : std::array<CSettingsPage*, 3>{&m_toolbarPage, &m_orderPage, &m_chartPage}) {
        page->SetPages({&m_toolbarPage, &m_orderPage, &m_chartPage});
    }
    m_chartPage.SetCommit(TheApp().m_settings, [this](CClientSettings& settings, HWND owner) {
        // The folder the installation went into.
        if (!SaveSettings(settings, m_installation.choice, TheApp().m_log)) {
            TheApp().m_exitCode = ExitCode::kDoneWithFailures;
            // The file is replaced in one step, so it still holds what the installation left.
            ui::MessageBoxGbk(owner, texts::kSettingsNotSaved, texts::kMessageCaption, MB_OK | MB_ICONWARNING);
        }
    });
}

void CPropSheet::OnInitDialog() {
    ui::SetWindowIcon(m_hWnd, LoadIconW(ui::Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    SetCaption(WelcomeCaption(TheApp().m_package));
    ShowWindow(Item(IDCANCEL), SW_HIDE);
}

bool CPropSheet::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != WM_PAINT) {
        return false;
    }
    // The pages paint themselves over this background.
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    FillScreenBackground(m_hWnd, dc);
    EndPaint(m_hWnd, &paint);
    result = 0;
    return true;
}

}  // namespace voz
