#include "wizard/silent_install.h"

#include <objbase.h>

#include "package/install_paths.h"
#include "package/install_plan.h"
#include "settings/page_fields.h"
#include "wizard/installation_run.h"
#include "wizard/setup_app.h"
#include "wizard/setup_arguments.h"

namespace voz {

ExitCode InstallSilently(CSetupApp& app) {
    SupportLog& log = app.m_log;
    SilentChoice chosen;
    const ArgumentProblem problem = ChooseSilently(app.m_arguments, app.m_package, app.UsualFolder(), chosen);
    if (problem.what != nullptr) {
        log.Line({"command line refused: ", problem.what, problem.why});
        return ExitCode::kBadCommandLine;
    }
    InstallationState installation;
    installation.choice = chosen.choice;
    LogChoice(log, installation.choice, chosen.orderSoftware);
    // Nobody is there to close the client or free space: the run ends, changing nothing.
    const InstallPlan plan = PlanInstallation(app.m_package, installation.choice.folder);
    if (!LogFilesInUse(plan, log).empty()) {
        return ExitCode::kFilesInUse;
    }
    if (!LogSpaceCheck(plan, app.m_package, log).enough()) {
        return ExitCode::kNotEnoughSpace;
    }
    CoInitialize(nullptr);  // the shell's link object
    InstallationHooks hooks(log);
    installation.report = InstallFromSetupFile(app.m_package, installation.choice, hooks.options, log);
    ExitCode code = AfterInstallation(installation, chosen.orderSoftware, app.m_settings, log);
    if (!installation.report.installed) {
        return code;
    }
    StoreUntouchedPages(app.m_settings);
    if (!SaveSettings(app.m_settings, installation.choice, log)) {
        code = ExitCode::kDoneWithFailures;
    }
    return code;
}

}  // namespace voz
