// The application object: owns the package read from the program's own file
// and the installed client's settings record for the whole run, and runs the
// welcome window. There is exactly one, reachable through TheApp().
#pragma once

#include <string>

#include "package/package_info.h"
#include "settings/client_settings.h"

namespace voz {

class CSetupApp {
public:
    // Start-up: loads the package from the program's own file and runs the
    // welcome window modally. A package that is missing, ends early or is
    // damaged is reported in one message instead, and nothing is installed.
    // Returns when the welcome window has closed; the process then ends.
    void InitInstance();

    CPackageInfo m_package;
    CClientSettings m_settings;
};

CSetupApp& TheApp();

// The full path of the running program's file, which carries the package.
std::wstring SetupFilePath();

// The caption of the welcome window and the wizard: "欢迎使用", the product
// title, a blank, the version and a trailing blank.
std::string WelcomeCaption(const CPackageInfo& package);

}  // namespace voz
