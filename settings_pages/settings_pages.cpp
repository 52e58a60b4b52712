#include "settings_pages/settings_pages.h"

#include <commctrl.h>

#include <string>

#include "resources/resource.h"

namespace voz {

namespace {

// The tree's labels in tree order: the root, then one per page.
constexpr const char* kTreeLabels[] = {
    "\xB8\xF6\xD0\xD4\xBB\xAF\xC9\xE8\xD6\xC3",  // 个性化设置
    "\xB9\xA4\xBE\xDF\xCC\xF5",                  // 工具条
    "\xD0\xD0\xC7\xE9\xD3\xEB\xCF\xC2\xB5\xA5",  // 行情与下单
    "K\xCF\xDF\xCD\xBC",                         // K线图
};
constexpr int kLabelCount = 4;

HTREEITEM InsertItem(HWND tree, HTREEITEM parent, const char* gbk) {
    const std::wstring text = ui::Wide(gbk);
    TVINSERTSTRUCTW insert = {};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

}  // namespace

bool CSettingsPage::OnInitDialog() {
    HWND tree = Item(IDC_TREE);
    HTREEITEM root = InsertItem(tree, TVI_ROOT, kTreeLabels[0]);
    for (int label = 1; label < kLabelCount; ++label) {
        HTREEITEM item = InsertItem(tree, root, kTreeLabels[label]);
        if (label == m_ownLabel) {
            m_ownItem = item;
        }
    }
    TreeView_SelectItem(tree, m_ownItem);
    TreeView_Expand(tree, root, TVE_EXPAND);
    return true;
}

void CSettingsPage::OnSetActive() {
    Sheet()->SetWizardButtons(m_buttons);
    // The tree's highlight may have been left on another page's item.
    HWND tree = Item(IDC_TREE);
    TreeView_SelectItem(tree, m_ownItem);
    SetFocus(tree);
    // Once more when the current message is done: a click in another page's
    // tree that led here ends with that tree taking the focus for itself.
    PostMessageW(Sheet()->Handle(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree), TRUE);
}

void CSettingsPage::OnTreeSelectionChanged(HTREEITEM item) {
    wchar_t text[64] = {};
    TVITEMW read = {};
    read.mask = TVIF_TEXT;
    read.hItem = item;
    read.pszText = text;
    read.cchTextMax = 64;
    std::string label;
    if (!SendMessageW(Item(IDC_TREE), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read)) || !ui::ToGbk(text, label)) {
        return;
    }
    for (int i = 1; i < kLabelCount; ++i) {
        if (label == kTreeLabels[i] && i != m_ownLabel && m_pages[i - 1] != nullptr) {
            Sheet()->SetActivePage(*m_pages[i - 1]);
            return;
        }
    }
}

bool CSettingsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
        // No background of its own: the sheet's shows through, also behind the labels.
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        result = reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
        return true;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_TREE) {
            return false;
        }
        if (header->code == TVN_SELCHANGEDW || header->code == TVN_SELCHANGEDA) {
            // The item handle has the same place in both forms of the notification.
            OnTreeSelectionChanged(reinterpret_cast<const NMTREEVIEWW*>(lParam)->itemNew.hItem);
        } else if (header->code == NM_CLICK) {
            // A click starts from the page's own item, so that clicking the
            // item highlighted elsewhere still moves the selection.
            TreeView_SelectItem(Item(IDC_TREE), m_ownItem);
        } else {
            return false;
        }
        SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, 0);
        result = TRUE;
        return true;
    }
    default: return false;
    }
}

CToolbarSettingsPage::CToolbarSettingsPage() : CSettingsPage(IDD_DLGNEW1, 1, PSWIZB_NEXT) {}

bool CToolbarSettingsPage::DoDataExchange(bool save) {
    ExchangeCheck(save, IDC_VUTOOLBAR, m_fields.m_nVuToolBar);
    ExchangeList(save, IDC_NEWSBAR, m_fields.m_nNewsBar);
    ExchangeList(save, IDC_TABBAR, m_fields.m_nTabBar);
    ExchangeList(save, IDC_TOOLBAR, m_fields.m_nToolBar);
    return true;
}

LRESULT CToolbarSettingsPage::OnWizardNext() {
    DoDataExchange(true);
    return 0;
}

COrderSettingsPage::COrderSettingsPage() : CSettingsPage(IDD_DLGNEW2, 2, PSWIZB_BACK | PSWIZB_NEXT) {}

bool COrderSettingsPage::DoDataExchange(bool save) {
    ExchangeList(save, IDC_ORDERBOARD, m_fields.m_nOrderBoard);
    ExchangeCheck(save, IDC_ZQTRADER, m_fields.m_nZqTrader);
    return true;
}

LRESULT COrderSettingsPage::OnWizardNext() {
    DoDataExchange(true);
    return 0;
}

CChartSettingsPage::CChartSettingsPage() : CSettingsPage(IDD_DLGNEW3, 3, PSWIZB_BACK | PSWIZB_FINISH) {}

bool CChartSettingsPage::DoDataExchange(bool save) {
    ExchangeCheck(save, IDC_TATABBTN, m_fields.m_nTaTabBtn);
    ExchangeList(save, IDC_WHEEL, m_fields.m_nWheel);
    return true;
}

bool CChartSettingsPage::OnWizardFinish() {
    DoDataExchange(true);
    StoreToolbarPage(static_cast<CToolbarSettingsPage*>(m_pages[0])->m_fields, *m_settings);
    StoreOrderPage(static_cast<COrderSettingsPage*>(m_pages[1])->m_fields, *m_settings);
    StoreChartPage(m_fields, *m_settings);
    m_commit(*m_settings, Sheet()->Handle());
    return true;
}

void LoadSettingsPages(const CClientSettings& settings, CToolbarSettingsPage& toolbar, COrderSettingsPage& order,
                       CChartSettingsPage& chart) {
    LoadToolbarPage(settings, toolbar.m_fields);
    LoadOrderPage(settings, order.m_fields);
    LoadChartPage(settings, chart.m_fields);
}

}  // namespace voz
