#include "wizard/style_page.h"

#include "resources/resource.h"
#include "package/install_styles.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"

namespace voz {

CStylePage::CStylePage(InstallationState& installation) : PropertyPage(IDD_PROP2_2), m_installation(installation) {}

bool CStylePage::OnInitDialog() {
    HWND list = Item(IDC_LIST);
    for (const std::string& style : InstallStyles(TheApp().m_package)) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui::Wide(style).c_str()));
    }
    SendMessageW(list, CB_SETCURSEL, 0, 0);
    return true;
}

LRESULT CStylePage::OnWizardNext() {
    ItemText(IDC_LIST, m_installation.choice.style);
    return 0;
}

bool CStylePage::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (HollowLabelBackground(m_hWnd, message, lParam, result)) {
        return true;
    }
    if (message == WM_PAINT) {
        PaintScreen(m_hWnd, kStyleScreen, texts::kStyleLabel);
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace voz
