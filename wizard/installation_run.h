// What the wizard's installation and the silent one share: the engine's
// options, with every file, link and app-list entry written to the support
// log, and what follows the engine: the installed client's settings files,
// the log's copy in the install folder and the exit code.
#pragma once

#include <vector>

#include "package/exit_codes.h"
#include "package/extract.h"
#include "package/support_log.h"
#include "settings/client_settings.h"
#include "wizard/installation_state.h"

namespace voz {

// Writes the installation's choice into the log as the installation starts.
void LogChoice(SupportLog& log, const InstallChoice& choice, int orderSoftware);

// The engine's options of a run of the setup: links made by the Windows
// shell, the app-list entry in the registry, the settings files and the log's
// copy owned by the install log; each file written, link and entry logged
// and each file written counted in the installation state.
class InstallationHooks {
public:
    InstallationHooks(SupportLog& log, InstallationState& installation);
    InstallationHooks(const InstallationHooks&) = delete;
    InstallationHooks& operator=(const InstallationHooks&) = delete;

    ExtractOptions options;

private:
    // The Windows shell, each link it makes logged.
    class LoggedShell final : public ShellServices {
    public:
        explicit LoggedShell(SupportLog& log) : m_log(log) {}
        bool GetSpecialFolderPath(std::string& path, int csidl) override;
        bool CreateShortcut(const std::string& link, const std::string& target, const std::string& icon) override;

    private:
        WindowsShell m_shell;
        SupportLog& m_log;
    };

    LoggedShell m_shell;
};

// Installs the package from the setup's own file with the installation's
// choice; the setup file that cannot be opened again is its one failure.
std::vector<ExtractFailure> InstallFromSetupFile(const CPackageInfo& package, const InstallChoice& choice,
                                                 const ExtractOptions& options);

// After the engine: when the installation completed, reads the installed
// client's settings into `settings` and records the order software, a
// settings file that fails joining the failures, and continues the log in the
// install folder; otherwise `settings` gets the defaults. Every failure is
// logged. Returns the exit code the installation earned.
ExitCode AfterInstallation(const CPackageInfo& package, InstallationState& installation, int orderSoftware,
                           CClientSettings& settings, SupportLog& log);

// Saves the settings record into the installed Voz.ini, logged; false when it failed.
bool SaveSettings(CClientSettings& settings, const InstallChoice& choice, SupportLog& log);

}  // namespace voz
