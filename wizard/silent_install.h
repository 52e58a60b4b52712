// setup.exe /S: the installation without any window, for software
// distribution. It installs the package's choices, or the command line's,
// exactly as the wizard would with its pages left as they come: the folder,
// the first style, the default order software, and the settings as the
// settings pages store them untouched. Everything the wizard would say goes
// to the support log, and the outcome is the exit code.
#pragma once

#include "package/exit_codes.h"

namespace voz {

class CSetupApp;

// Runs the silent installation of the application's sound package.
ExitCode InstallSilently(CSetupApp& app);

}  // namespace voz
