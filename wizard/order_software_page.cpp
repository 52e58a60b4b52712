#include "wizard/order_software_page.h"

#include "resources/resource.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"

namespace voz {

COrderSoftwarePage::COrderSoftwarePage() : PropertyPage(IDD_PROP2_1) {}

int COrderSoftwarePage::SelectedOrderSoftware() const {
    const LRESULT selected = SendMessageW(Item(IDC_LIST), CB_GETCURSEL, 0, 0);
    return selected == CB_ERR ? -1 : static_cast<int>(selected);
}

bool COrderSoftwarePage::OnInitDialog() {
    HWND list = Item(IDC_LIST);
    for (const char* entry : texts::kOrderSoftware) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ui::Wide(entry).c_str()));
    }
    // The package's default is a list position; one outside the list selects nothing.
    const int32_t selected = TheApp().m_package.m_nDefaultOrderSoftware;
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected >= 0 ? selected : -1), 0);
    return true;
}

bool COrderSoftwarePage::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (HollowLabelBackground(m_hWnd, message, lParam, result)) {
        return true;
    }
    if (message == WM_PAINT) {
        PaintScreen(m_hWnd, kOrderScreen, texts::kOrderLabel);
        result = TRUE;
        return true;
    }
    return false;
}

}  // namespace voz
