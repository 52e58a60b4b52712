#include "wizard/silent_install.h"

#include <objbase.h>

#include "package/install_paths.h"
#include "settings/page_fields.h"
#include "wizard/installation_run.h"
#include "wizard/setup_app.h"
#include "wizard/setup_arguments.h"

namespace voz {

ExitCode InstallSilently(CSetupApp& app) {
    SupportLog& log = app.m_log;
    SilentChoice chosen;
    const ArgumentProblem problem =
        ChooseSilently(app.m_arguments, app.m_package, FieldText(app.m_package.m_szInstallDir), chosen);
    if (problem.what != nullptr) {
        log.Line({"command line refused: ", problem.what, problem.why});
        return ExitCode::kBadCommandLine;
    }
    InstallationState installation;
    installation.choice = chosen.choice;
    LogChoice(log, installation.choice, chosen.orderSoftware);
    CoInitialize(nullptr);  // the shell's link object
    InstallationHooks hooks(log, installation);
    installation.failures = InstallFromSetupFile(app.m_package, installation.choice, hooks.options);
    ExitCode code = AfterInstallation(app.m_package, installation, chosen.orderSoftware, app.m_settings, log);
    if (code == ExitCode::kFolderUnusable) {
        return code;
    }
    StoreUntouchedPages(app.m_settings);
    if (!SaveSettings(app.m_settings, installation.choice, log)) {
        code = ExitCode::kDoneWithFailures;
    }
    return code;
}

}  // namespace voz
