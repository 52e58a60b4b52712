// The welcome window, the program's main window: the package's main image
// and text under a caption of greeting, title and version, with "开始安装",
// which runs the wizard, and "退出安装", which ends the program. Its system
// menu carries the about box.
#pragma once

#include "ui/dialog.h"

namespace voz {

// Posted by the welcome window to itself when the wizard has returned: it
// then ends, and with it the program.
inline constexpr UINT WM_SETUP_CLOSE = WM_USER + 1;

class CAboutDlg : public ui::Dialog {
public:
    CAboutDlg();
};

class CSetupDlg : public ui::Dialog {
public:
    CSetupDlg();

protected:
    bool OnInitDialog() override;
    // "开始安装": hides the window and runs the wizard; when the wizard
    // returns, however it ended, the window closes itself.
    void OnOK() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void OnPaint();

    HICON m_hIcon;
};

}  // namespace voz
