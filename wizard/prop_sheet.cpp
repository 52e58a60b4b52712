#include "wizard/prop_sheet.h"

#include "package/install_paths.h"
#include "resources/resource.h"
#include "settings/settings_commit.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"

namespace voz {

CPropSheet::CPropSheet() : PropertySheet("Setup") {
    AddPage(m_prop1);
    AddPage(m_prop2);
    AddPage(m_prop2_2);
    AddPage(m_prop2_1);
    AddPage(m_prop3);
    AddPage(m_dlgNew1);
    AddPage(m_dlgNew2);
    AddPage(m_dlgNew3);
    for (CSettingsPage* page : std::array<CSettingsPage*, 3>{&m_dlgNew1, &m_dlgNew2, &m_dlgNew3}) {
        page->SetPages({&m_dlgNew1, &m_dlgNew2, &m_dlgNew3});
    }
    m_dlgNew3.SetCommit(TheApp().m_settings, [](CClientSettings& settings, HWND owner) {
        if (SaveClientSettings(settings, FieldText(TheApp().m_package.m_szInstallDir)) != IniStatus::kOk) {
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
