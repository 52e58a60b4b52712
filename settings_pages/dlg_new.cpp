#include "settings_pages/dlg_new.h"

#include "resources/resource.h"

namespace voz {

CDlgNew1::CDlgNew1() : PropertyPage(IDD_DLGNEW1) {}
void CDlgNew1::OnSetActive() { Sheet()->SetWizardButtons(PSWIZB_NEXT); }

CDlgNew2::CDlgNew2() : PropertyPage(IDD_DLGNEW2) {}
void CDlgNew2::OnSetActive() { Sheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT); }

CDlgNew3::CDlgNew3() : PropertyPage(IDD_DLGNEW3) {}
void CDlgNew3::OnSetActive() { Sheet()->SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH); }

}  // namespace voz
