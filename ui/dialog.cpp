#include "ui/dialog.h"

namespace voz::ui {

INT_PTR Dialog::DoModal(HWND parent) {
    return DialogBoxParamW(Instance(), MAKEINTRESOURCEW(m_templateId), parent, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_hWnd = window;
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        return FALSE;  // messages that come before initialisation
    }
    if (message == WM_COMMAND && (lParam == 0 || HIWORD(wParam) == BN_CLICKED)) {
        if (LOWORD(wParam) == IDOK) {
            self->OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            self->OnCancel();
            return TRUE;
        }
    }
    INT_PTR result = 0;
    if (self->OnMessage(message, wParam, lParam, result)) {
        return result;
    }
    if (message == WM_NCDESTROY) {
        self->m_hWnd = nullptr;
    }
    return FALSE;
}

}  // namespace voz::ui
