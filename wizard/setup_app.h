// The application object: owns the package read from the program's own file,
// the installed client's settings record and the support log for the whole
// run, and runs the welcome window or the silent installation. There is
// exactly one, reachable through TheApp().
#pragma once

#include <optional>
#include <string>

#include "os/code_signature.h"
#include "os/gbk_path.h"
#include "package/exit_codes.h"
#include "package/package_info.h"
#include "package/support_log.h"
#include "settings/client_settings.h"
#include "wizard/setup_arguments.h"

namespace voz {

class CSetupApp {
public:
    // Start-up: reads the command line, loads the package from the program's
    // own file and starts the support log; then shows the switches for /?,
    // runs the silent installation for /S, or runs the welcome window
    // modally. A package that is missing, ends early, is damaged or was
    // changed after signing is reported in one message instead (only in the
    // log with /S), and nothing is installed. Returns the run's exit code,
    // which ends the log.
    ExitCode InitInstance();

    // The folder the folder page proposes (GBK): /D= when it names one GBK
    // can hold, else the usual folder.
    std::string ProposedFolder() const;
    // The earlier installation's folder, so that the setup repairs or
    // upgrades it rather than making a second copy; else the package's default.
    std::string UsualFolder() const;

    CPackageInfo m_package;
    CClientSettings m_settings;
    SupportLog m_log;
    SetupArguments m_arguments;
    // The wizard's outcome so far: cancelled until an installation has ended.
    ExitCode m_exitCode = ExitCode::kCancelled;

private:
    std::optional<gbk::Path> m_earlierFolder;

    ExitCode Run(bool signatureBroken);
    // Finds the folder of an earlier installation through the app-list
    // entry, and logs it.
    void FindEarlierInstallation();
    // Starts the support log with what a help desk needs first; `sound`: the
    // package was read whole.
    void StartLog(const std::wstring& setupPath, os::SignatureState signature, bool sound);
    // Says something in a message box with `icon`, or with /S only in the log.
    void Report(const char* gbk, unsigned icon);
};

CSetupApp& TheApp();

// The full path of the running program's file, which carries the package.
std::wstring SetupFilePath();

// The caption of the welcome window and the wizard: "欢迎使用", the product
// title, a blank, the version and a trailing blank.
std::string WelcomeCaption(const CPackageInfo& package);

}  // namespace voz
