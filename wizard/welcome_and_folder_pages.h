// The first two wizard pages: the welcome page, which offers only Next, and
// the install folder page, with the folder field prefilled from the package
// and a browse button. The folder page neither tests nor stores the folder:
// the extraction page takes the field's text when the installation starts.
#pragma once

#include "ui/property_sheet.h"

namespace voz {

class CWelcomePage : public ui::PropertyPage {
public:
    CWelcomePage();
    ~CWelcomePage() override;

protected:
    void OnSetActive() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    HBRUSH m_brush;  // white, the background of the page and its controls
};

class CFolderPage : public ui::PropertyPage {
public:
    CFolderPage();

protected:
    bool OnInitDialog() override;
    void OnSetActive() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    // Lets the user pick a folder and puts it, followed by the last component
    // of the package's default folder, into the folder field.
    void Browse();
};

}  // namespace voz
