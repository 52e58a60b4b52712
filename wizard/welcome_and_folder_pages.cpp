#include "wizard/welcome_and_folder_pages.h"

#include <shlobj.h>

#include <optional>

#include "package/install_paths.h"
#include "resources/resource.h"
#include "wizard/screen_paint.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"
#include "wizard/text_layout.h"

namespace voz {

namespace {

bool IsColourQuery(UINT message) { return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC; }

}  // namespace

CWelcomePage::CWelcomePage() : PropertyPage(IDD_PROP1), m_brush(CreateSolidBrush(RGB(255, 255, 255))) {}

CWelcomePage::~CWelcomePage() { DeleteObject(m_brush); }

void CWelcomePage::OnSetActive() { Sheet()->SetWizardButtons(PSWIZB_NEXT); }

bool CWelcomePage::OnMessage(UINT message, WPARAM, LPARAM, INT_PTR& result) {
    if (IsColourQuery(message)) {
        result = reinterpret_cast<INT_PTR>(m_brush);
        return true;
    }
    if (message == WM_PAINT) {
        PaintScreen(m_hWnd, kWelcomeScreen, nullptr);
        result = TRUE;
        return true;
    }
    return false;
}

CFolderPage::CFolderPage(InstallationState& installation) : PropertyPage(IDD_PROP2), m_installation(installation) {}

bool CFolderPage::OnInitDialog() {
    SetItemText(IDC_FOLDER, TheApp().ProposedFolder());
    KeepField();
    return true;
}

void CFolderPage::OnSetActive() { Sheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT); }

void CFolderPage::KeepField() { m_installation.folderFieldReadable = ItemText(IDC_FOLDER, m_installation.folderField); }

bool CFolderPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_BROWSE && HIWORD(wParam) == BN_CLICKED) {
        Browse();
        result = TRUE;
        return true;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_FOLDER && HIWORD(wParam) == EN_CHANGE) {
        KeepField();
        result = TRUE;
        return true;
    }
    if (message == WM_CTLCOLOREDIT) {
        return false;  // the field keeps its own background, so typed text never leaves traces
    }
    if (IsColourQuery(message)) {
        // No background is filled: the package image shows through the page
        // and its labels.
        if (reinterpret_cast<HWND>(lParam) == Item(IDC_LABEL)) {
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        }
        result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        return true;
    }
    if (message == WM_PAINT) {
        PaintScreen(m_hWnd, kFolderScreen, texts::kFolderLabel);
        result = TRUE;
        return true;
    }
    return false;
}

void CFolderPage::Browse() {
    const std::wstring title = ui::Wide(texts::kBrowseTitle);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW browse = {};
    browse.hwndOwner = GetParent(m_hWnd);
    browse.pidlRoot = nullptr;  // the desktop
    browse.pszDisplayName = displayName;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = 0;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&browse);
    if (item == nullptr) {
        return;  // cancelled: the field keeps its text
    }
    wchar_t path[MAX_PATH] = {};
    const bool hasPath = SHGetPathFromIDListW(item, path);
    CoTaskMemFree(item);
    // A virtual folder without a file-system path, or one GBK cannot name,
    // cannot be installed into.
    std::string chosen;
    if (!hasPath || !ui::ToGbk(path, chosen)) {
        return;
    }
    // The default folder's last component follows the chosen folder.
    std::optional<std::string> folder = ComposeBrowsedFolder(chosen, FieldText(TheApp().m_package.m_szInstallDir));
    if (!folder) {
        ui::MessageBoxGbk(GetParent(m_hWnd), texts::kBrowseTooLong, texts::kMessageCaption, MB_OK | MB_ICONWARNING);
        return;
    }
    SetItemText(IDC_FOLDER, *folder);
    KeepField();
}

}  // namespace voz
