// Modal dialogs built from dialog templates.
#pragma once

#include "ui/window.h"

namespace voz::ui {

class Dialog : public Window {
public:
    explicit Dialog(int templateId) : m_templateId(templateId) {}
    virtual ~Dialog() = default;

    // Creates the dialog from its template and runs it until EndDialog; the
    // result is what EndDialog was given.
    INT_PTR DoModal(HWND parent);
    void EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

protected:
    // Initialisation; true lets the system give the focus to the first control.
    virtual bool OnInitDialog() { return true; }
    // The OK command (the default button or Enter) and the Cancel command
    // (Esc, the close box); by default both end the dialog with their id.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Any other message. True when handled, with the dialog procedure's
    // result in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    int m_templateId;
};

}  // namespace voz::ui
