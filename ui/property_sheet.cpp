#include "ui/property_sheet.h"

#include <algorithm>
#include <cstring>

namespace voz::ui {

namespace {

// The sheet whose window is about to be created, and the hook that catches
// that creation. Sheets are run on the user-interface thread only, one at a
// time, so one slot suffices.
PropertySheet* g_sheetBeingCreated = nullptr;
HHOOK g_creationHook = nullptr;

constexpr wchar_t kSheetProperty[] = L"voz.ui.sheet";

void StopHook() {
    if (g_creationHook != nullptr) {
        UnhookWindowsHookEx(g_creationHook);
        g_creationHook = nullptr;
    }
    g_sheetBeingCreated = nullptr;
}

}  // namespace

bool PropertyPage::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

void PropertyPage::ExchangeCheck(bool save, int id, int32_t& field) {
    if (save) {
        field = IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED ? 1 : 0;
    } else {
        CheckDlgButton(m_hWnd, id, field != 0 ? BST_CHECKED : BST_UNCHECKED);
    }
}

void PropertyPage::ExchangeList(bool save, int id, int32_t& field) {
    if (save) {
        const LRESULT index = SendDlgItemMessageW(m_hWnd, id, CB_GETCURSEL, 0, 0);
        field = index == CB_ERR ? -1 : static_cast<int32_t>(index);
    } else {
        // An index without an item leaves the list without a selection.
        SendDlgItemMessageW(m_hWnd, id, CB_SETCURSEL, static_cast<WPARAM>(field), 0);
    }
}

void PropertyPage::FillListsFromTemplate() {
    // The initial data: per item a control id, a message, the length of the
    // text including its terminating zero, and the text (GBK); a zero id ends it.
    constexpr WORD kInitialDataType = 240;
    constexpr WORD kAddListItem = 0x0403;
    HRSRC resource = FindResourceW(Instance(), MAKEINTRESOURCEW(m_templateId), MAKEINTRESOURCEW(kInitialDataType));
    if (resource == nullptr) {
        return;
    }
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(Instance(), resource)));
    const DWORD size = SizeofResource(Instance(), resource);
    DWORD at = 0;
    while (data != nullptr && at + 8 <= size) {
        WORD id, message;
        DWORD length;
        std::memcpy(&id, data + at, 2);
        if (id == 0) {
            break;
        }
        std::memcpy(&message, data + at + 2, 2);
        std::memcpy(&length, data + at + 4, 4);
        at += 8;
        if (length == 0 || length > size - at) {
            break;
        }
        if (message == kAddListItem) {
            const std::string text(reinterpret_cast<const char*>(data + at), length - 1);
            SendDlgItemMessageW(m_hWnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
        }
        at += length;
    }
}

INT_PTR CALLBACK PropertyPage::PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    PropertyPage* self;
    if (message == WM_INITDIALOG) {
        // The sheet passes its own copy of the page description; its lParam is the page object.
        const LPARAM page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam)->lParam;
        SetWindowLongPtrW(window, DWLP_USER, page);
        self = reinterpret_cast<PropertyPage*>(page);
        self->m_hWnd = window;
        self->m_activatedBefore = false;
        self->FillListsFromTemplate();
        self->DoDataExchange(false);
        return self->OnInitDialog() ? TRUE : FALSE;
    }
    self = reinterpret_cast<PropertyPage*>(GetWindowLongPtrW(window, DWLP_USER));
    if (self == nullptr) {
        return FALSE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == GetParent(window)) {
        LRESULT result = 0;
        switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
        case PSN_SETACTIVE:
            self->OnSetActive();
            // The first time, the initialisation has shown the fields already.
            if (self->m_activatedBefore) {
                self->DoDataExchange(false);
            }
            self->m_activatedBefore = true;
            break;
        case PSN_KILLACTIVE: result = self->DoDataExchange(true) ? FALSE : TRUE; break;
        case PSN_WIZNEXT: result = self->OnWizardNext(); break;
        case PSN_WIZBACK: result = self->OnWizardBack(); break;
        case PSN_WIZFINISH:
            if (self->OnWizardFinish()) {
                self->m_sheet->m_finished = true;
            } else {
                result = TRUE;  // refuses to finish
            }
            break;
        case PSN_QUERYCANCEL: result = self->OnQueryCancel() ? FALSE : TRUE; break;
        default: return FALSE;
        }
        SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
        return TRUE;
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

INT_PTR PropertySheet::DoModal(HWND parent) {
    std::vector<PROPSHEETPAGEW> pages(m_pages.size());
    for (size_t i = 0; i < m_pages.size(); ++i) {
        PROPSHEETPAGEW& page = pages[i];
        page = {};
        page.dwSize = sizeof page;
        page.dwFlags = PSP_DEFAULT;  // no Help button, title from the template
        page.hInstance = Instance();
        page.pszTemplate = MAKEINTRESOURCEW(m_pages[i]->m_templateId);
        page.pfnDlgProc = PropertyPage::PageProc;
        page.lParam = reinterpret_cast<LPARAM>(m_pages[i]);
        m_pages[i]->m_sheet = this;
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hwndParent = parent;
    header.hInstance = Instance();
    header.pszCaption = m_caption.c_str();
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = 0;
    header.ppsp = pages.data();

    // The sheet window is subclassed as it is created, so that its own
    // handlers see every message from initialisation on.
    m_finished = false;
    g_sheetBeingCreated = this;
    g_creationHook = SetWindowsHookExW(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    PropertySheetW(&header);
    StopHook();
    return m_finished ? kWizardFinished : IDCANCEL;
}

LRESULT CALLBACK PropertySheet::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && g_sheetBeingCreated != nullptr) {
        const CREATESTRUCTW* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs;
        wchar_t className[16] = {};
        HWND window = reinterpret_cast<HWND>(wParam);
        GetClassNameW(window, className, 16);
        // The sheet is the first top-level dialog window created by the sheet
        // call; its pages come later, as its children.
        if ((create->style & WS_CHILD) == 0 && lstrcmpW(className, L"#32770") == 0) {
            PropertySheet* sheet = g_sheetBeingCreated;
            StopHook();
            sheet->Attach(window);
        }
    }
    // The hook handle argument is ignored by the system.
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void PropertySheet::Attach(HWND window) {
    m_hWnd = window;
    SetPropW(window, kSheetProperty, this);
    m_systemProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&PropertySheet::SheetProc)));
}

LRESULT CALLBACK PropertySheet::SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<PropertySheet*>(GetPropW(window, kSheetProperty));
    const WNDPROC systemProc = self->m_systemProc;
    if (message == WM_INITDIALOG) {
        const LRESULT result = CallWindowProcW(systemProc, window, message, wParam, lParam);
        self->OnInitDialog();
        return result;
    }
    if (message == WM_SETTEXT) {
        // The caption is the sheet's own, whichever page the system shows.
        lParam = reinterpret_cast<LPARAM>(self->m_caption.c_str());
    }
    LRESULT result = 0;
    if (self->OnMessage(message, wParam, lParam, result)) {
        return result;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(systemProc));
        RemovePropW(window, kSheetProperty);
        self->m_hWnd = nullptr;
    }
    return CallWindowProcW(systemProc, window, message, wParam, lParam);
}

bool PropertySheet::OnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

void PropertySheet::SetCaption(std::string_view gbk) {
    m_caption = Wide(gbk);
    SetWindowTextW(m_hWnd, m_caption.c_str());
}

void PropertySheet::SetWizardButtons(DWORD mask) { PostMessageW(m_hWnd, PSM_SETWIZBUTTONS, 0, mask); }

int PropertySheet::PageIndex(const PropertyPage& page) const {
    auto it = std::find(m_pages.begin(), m_pages.end(), &page);
    return it == m_pages.end() ? -1 : static_cast<int>(it - m_pages.begin());
}

bool PropertySheet::SetActivePage(const PropertyPage& page) {
    const int index = PageIndex(page);
    if (index < 0) {
        return false;
    }
    SendMessageW(m_hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return true;
}

}  // namespace voz::ui
