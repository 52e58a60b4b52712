// The install style page: a drop-down list of the package's install styles
// (the distinct style labels of its style-copy records, in order of first
// appearance), the first preselected. The extraction page takes the list's
// text when the installation starts; the style decides which style copies the
// installation carries out.
#pragma once

#include "ui/property_sheet.h"

namespace voz {

class CStylePage : public ui::PropertyPage {
public:
    CStylePage();

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};

}  // namespace voz
