// The wizard: a wizard-mode property sheet that owns its eight pages. The
// page list is fixed at construction: welcome page, install folder, install
// style, order software, extraction, then the three settings pages. The sheet
// has no Cancel and no Help button; its close box abandons the wizard.
#pragma once

#include "settings_pages/dlg_new.h"
#include "ui/property_sheet.h"
#include "wizard/prop1.h"
#include "wizard/prop2_1.h"
#include "wizard/prop2_2.h"
#include "wizard/prop3.h"

namespace voz {

class CPropSheet : public ui::PropertySheet {
public:
    CPropSheet();

    CProp1 m_prop1;      // index 0: welcome page
    CProp2 m_prop2;      // index 1: install folder
    CProp2_2 m_prop2_2;  // index 2: install style
    CProp2_1 m_prop2_1;  // index 3: order software
    CProp3 m_prop3;      // index 4: extraction
    CDlgNew1 m_dlgNew1;  // index 5: first settings page, shown when the extraction has finished
    CDlgNew2 m_dlgNew2;  // index 6
    CDlgNew3 m_dlgNew3;  // index 7: last settings page (Finish)

protected:
    void OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace voz
