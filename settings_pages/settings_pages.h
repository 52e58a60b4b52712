// The three settings pages that follow the installation, at the end of the
// wizard: the toolbar page "工具条", the quotes and order page "行情与下单"
// and the chart page "K线图". Each shows the same navigation tree at its left
// edge: the root "个性化设置" with one item per page; selecting a page's item
// (by mouse or arrow keys) shows that page. The toolbar page offers only Next
// (the installation pages cannot be returned to), the order page Back and
// Next, the chart page Back and Finish, which saves the settings into the
// installed client's Voz.ini.
//
// The pages' fields hold their values also while a page's window does not
// exist: they are loaded from the settings record when the extraction has
// finished and go back into the record on Finish. The pages know nothing of
// the wizard around them: the last page is given the record to store into
// and the commit that saves it.
#pragma once

#include <array>
#include <functional>

#include "settings/client_settings.h"
#include "settings/page_fields.h"
#include "ui/property_sheet.h"

namespace voz {

class CSettingsPage : public ui::PropertyPage {
public:
    // The pages in tree order, for navigation between them; set once by the
    // sheet that owns all three.
    void SetPages(const std::array<CSettingsPage*, 3>& pages) { m_pages = pages; }

protected:
    // `ownLabel` is the page's position in the tree (1 to 3, the root is 0);
    // `buttons` the wizard buttons it enables.
    CSettingsPage(int templateId, int ownLabel, DWORD buttons)
        : PropertyPage(templateId), m_ownLabel(ownLabel), m_buttons(buttons) {}

    bool OnInitDialog() override;
    void OnSetActive() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

    std::array<CSettingsPage*, 3> m_pages = {};

private:
    void OnTreeSelectionChanged(HTREEITEM item);

    int m_ownLabel;
    DWORD m_buttons;
    HTREEITEM m_ownItem = nullptr;
};

class CToolbarSettingsPage : public CSettingsPage {
public:
    CToolbarSettingsPage();
    ToolbarPageFields m_fields;

protected:
    LRESULT OnWizardNext() override;
    bool DoDataExchange(bool save) override;
};

class COrderSettingsPage : public CSettingsPage {
public:
    COrderSettingsPage();
    OrderPageFields m_fields;

protected:
    LRESULT OnWizardNext() override;
    bool DoDataExchange(bool save) override;
};

// Saves the settings record once Finish has stored the pages into it; owner
// is the window that a message about a failed save belongs to.
using SettingsCommit = std::function<void(CClientSettings& settings, HWND owner)>;

class CChartSettingsPage : public CSettingsPage {
public:
    CChartSettingsPage();
    ChartPageFields m_fields;

    // The record Finish stores all three pages into, and what then saves it.
    void SetCommit(CClientSettings& settings, SettingsCommit commit) {
        m_settings = &settings;
        m_commit = std::move(commit);
    }

protected:
    // Stores all three pages' fields into the settings record and commits
    // it; the wizard then ends with Finish.
    bool OnWizardFinish() override;
    bool DoDataExchange(bool save) override;

private:
    CClientSettings* m_settings = nullptr;
    SettingsCommit m_commit;
};

// Sets the fields of the three pages from the settings record.
void LoadSettingsPages(const CClientSettings& settings, CToolbarSettingsPage& toolbar, COrderSettingsPage& order,
                       CChartSettingsPage& chart);

}  // namespace voz
