// The order software page: a drop-down list of the four order-entry programs
// the client can work with, the package's default preselected. The page
// stores nothing; when the installation has finished, the list's selection
// is written into the client's settings.
#pragma once

#include "ui/property_sheet.h"

namespace voz {

class COrderSoftwarePage : public ui::PropertyPage {
public:
    COrderSoftwarePage();

    // The list position of the selected entry, or -1 when none is selected.
    int SelectedOrderSoftware() const;

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};

}  // namespace voz
