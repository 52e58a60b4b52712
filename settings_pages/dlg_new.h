// The three settings pages that follow the installation, at the end of the
// wizard: CDlgNew1 offers only Next (the installation pages cannot be
// returned to), CDlgNew2 Back and Next, CDlgNew3 Back and Finish.
#pragma once

#include "ui/property_sheet.h"

namespace voz {

class CDlgNew1 : public ui::PropertyPage {
public:
    CDlgNew1();

protected:
    void OnSetActive() override;
};

class CDlgNew2 : public ui::PropertyPage {
public:
    CDlgNew2();

protected:
    void OnSetActive() override;
};

class CDlgNew3 : public ui::PropertyPage {
public:
    CDlgNew3();

protected:
    void OnSetActive() override;
};

}  // namespace voz
