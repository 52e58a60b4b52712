// The install style page: a drop-down list of the package's install styles
// (the distinct style labels of its style-copy records, in order of first
// appearance), the first preselected. Leaving it with Next puts the list's
// text into the installation's choice; the style decides which style copies
// the installation carries out.
#pragma once

#include "ui/property_sheet.h"
#include "wizard/installation_state.h"

namespace voz {

class CStylePage : public ui::PropertyPage {
public:
    explicit CStylePage(InstallationState& installation);

protected:
    bool OnInitDialog() override;
    LRESULT OnWizardNext() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    InstallationState& m_installation;
};

}  // namespace voz
