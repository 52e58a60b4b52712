// What the wizard's installation and the silent one share: the engine's
// options, with every file, link and app-list entry written to the support
// log, and what follows the engine: the installed client's settings files,
// the log's copy in the install folder and the exit code.
#pragma once

#include <vector>

#include "package/exit_codes.h"
#include "package/extract.h"
#include "package/install_plan.h"
#include "package/support_log.h"
#include "settings/client_settings.h"
#include "wizard/installation_state.h"

namespace voz {

// The support log's name: its copy in the install folder, owned by the
// install log, and after the title its name in the temporary folder.
inline constexpr char kSetupLogName[] = "\xB0\xB2\xD7\xB0\xC8\xD5\xD6\xBE.txt";  // 安装日志.txt

// Writes the installation's choice into the log as the installation starts.
void LogChoice(SupportLog& log, const InstallChoice& choice, int orderSoftware);

// The engine's options of a run of the setup: links made by the Windows
// shell, the app-list entry in the registry, the settings files and the log's
// copy owned by the install log; each folder made, file written, failure,
// link and entry logged as it happens.
class InstallationHooks {
public:
    explicit InstallationHooks(SupportLog& log);
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

// The checks made before anything is written, each logged: the files of the
// plan that another program holds (none when the install folder is free),
// and the space the installation needs against the drive's free space.
std::vector<std::string> LogFilesInUse(const InstallPlan& plan, SupportLog& log);
SpaceCheck LogSpaceCheck(const InstallPlan& plan, const CPackageInfo& package, SupportLog& log);

// Installs the package from the setup's own file with the installation's
// choice; the setup file that cannot be opened again stops it, logged.
InstallReport InstallFromSetupFile(const CPackageInfo& package, const InstallChoice& choice,
                                   const ExtractOptions& options, SupportLog& log);

// After the engine: logs the files kept because they were changed; when the
// installation completed, reads the installed client's settings into
// `settings` and records the order software, a settings file that fails
// joining the report's failures, and continues the log in the install
// folder; otherwise `settings` gets the defaults. Returns the exit code the
// installation earned.
ExitCode AfterInstallation(InstallationState& installation, int orderSoftware, CClientSettings& settings,
                           SupportLog& log);

// Saves the settings record into the installed Voz.ini, logged; false when it failed.
bool SaveSettings(CClientSettings& settings, const InstallChoice& choice, SupportLog& log);

}  // namespace voz
