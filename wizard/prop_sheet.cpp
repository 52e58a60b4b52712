#include "wizard/prop_sheet.h"

#include "resources/resource.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"

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
