#include "wizard/setup_dlg.h"

#include "resources/resource.h"
#include "wizard/prop_sheet.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"

namespace voz {

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX) {}

CSetupDlg::CSetupDlg()
    : Dialog(IDD_SETUP_DIALOG), m_hIcon(LoadIconW(ui::Instance(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

bool CSetupDlg::OnInitDialog() {
    if (HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE)) {
        wchar_t about[128] = {};
        if (LoadStringW(ui::Instance(), IDS_ABOUTBOX, about, 128) > 0) {
            AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    ui::SetWindowIcon(m_hWnd, m_hIcon);
    SetText(WelcomeCaption(TheApp().m_package));
    return true;
}

void CSetupDlg::OnOK() {
    CPropSheet sheet;
    ShowWindow(m_hWnd, SW_HIDE);
    sheet.DoModal(m_hWnd);
    PostMessageW(m_hWnd, WM_SETUP_CLOSE, 0, 0);
}

bool CSetupDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != IDM_ABOUTBOX) {
            return false;
        }
        CAboutDlg().DoModal(m_hWnd);
        result = TRUE;
        return true;
    case WM_PAINT:
        OnPaint();
        result = TRUE;
        return true;
    case WM_QUERYDRAGICON: result = reinterpret_cast<INT_PTR>(m_hIcon); return true;
    case WM_SETUP_CLOSE:
        OnCancel();
        result = TRUE;
        return true;
    default: return false;
    }
}

void CSetupDlg::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    RECT client;
    GetClientRect(m_hWnd, &client);
    if (IsIconic(m_hWnd)) {
        SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, m_hIcon);
    } else {
        FillScreenBackground(m_hWnd, dc);

        const CPackageInfo& package = TheApp().m_package;
        HWND imageArea = Item(IDC_IMAGE_AREA);
        HDC imageDc = GetDC(imageArea);
        DrawPackageImage(imageDc, package.m_pMainImage.get(), package.m_nMainImageSize);
        ReleaseDC(imageArea, imageDc);
        PaintScreenText(Item(IDC_TEXT_AREA), package.m_strMainText);
    }
    EndPaint(m_hWnd, &paint);
}

}  // namespace voz
