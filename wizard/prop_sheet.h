// The wizard: a wizard-mode property sheet that owns its eight pages. The
// page list is fixed at construction: welcome page, install folder, install
// style, order software, extraction, then the three settings pages. The sheet
// has no Cancel and no Help button; its close box abandons the wizard.
#pragma once

#include "settings_pages/settings_pages.h"
#include "ui/property_sheet.h"
#include "wizard/extraction_page.h"
#include "wizard/installation_state.h"
#include "wizard/order_software_page.h"
#include "wizard/style_page.h"
#include "wizard/welcome_and_folder_pages.h"

namespace voz {

class CPropSheet : public ui::PropertySheet {
public:
    CPropSheet();

    // Declared before the pages, which are given it when they are made.
    InstallationState m_installation;

    // In page order: the sheet's index of each page.
    CWelcomePage m_welcomePage;              // 0
    CFolderPage m_folderPage;                // 1: install folder
    CStylePage m_stylePage;                  // 2: install style
    COrderSoftwarePage m_orderSoftwarePage;  // 3
    CExtractionPage m_extractionPage;        // 4
    CToolbarSettingsPage m_toolbarPage;      // 5: first settings page, shown when the extraction has finished
    COrderSettingsPage m_orderPage;          // 6
    CChartSettingsPage m_chartPage;          // 7: last settings page (Finish)

protected:
    void OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace voz
