// The first two wizard pages: the welcome page, which offers only Next, and
// the install folder page, with the folder field prefilled with the folder of
// an earlier installation (the one the app list names, when our uninstaller
// is still there) or else the package's default, and a browse button. The folder page does not test the folder: it
// keeps the field's text in the installation state whenever it changes, and the extraction page checks it when the
// installation starts.
#pragma once

#include "ui/property_sheet.h"
#include "wizard/installation_state.h"

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
    explicit CFolderPage(InstallationState& installation);

protected:
    bool OnInitDialog() override;
    void OnSetActive() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    // Lets the user pick a folder and puts it, followed by the last component
    // of the package's default folder, into the folder field.
    void Browse();
    // Copies the field's text into the installation state.
    void KeepField();

    InstallationState& m_installation;
};

}  // namespace voz
