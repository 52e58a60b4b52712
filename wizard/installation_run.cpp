#include "wizard/installation_run.h"

#include <algorithm>

#include "os/file.h"
#include "os/filesystem.h"
#include "settings/settings_commit.h"
#include "wizard/install_messages.h"
#include "wizard/setup_app.h"
#include "wizard/setup_texts.h"

namespace voz {

namespace {

void LogAppListEntry(SupportLog& log, const os::AppListEntry& entry, const std::string& failure) {
    const bool written = failure.empty();
    log.Line({written ? "app list entry: " : "app list entry not written: ", entry.key, " -> ", entry.installLocation,
              ", ", entry.displayVersion, written ? "" : " (", failure, written ? "" : ")"});
}

}  // namespace

void LogChoice(SupportLog& log, const InstallChoice& choice, int orderSoftware) {
    log.Line({"install folder: ", choice.folder.text()});
    log.Line({"install style: ", choice.style.empty() ? std::string_view("(none)") : choice.style});
    const bool listed = orderSoftware >= 0 && orderSoftware < kOrderSoftwareCount;
    log.Line({"order software: MainTrade=", MainTradeText(orderSoftware), " ",
              listed ? texts::kOrderSoftware[orderSoftware] : "(none selected)"});
}

bool InstallationHooks::LoggedShell::GetSpecialFolderPath(std::string& path, int csidl) {
    return m_shell.GetSpecialFolderPath(path, csidl);
}

bool InstallationHooks::LoggedShell::CreateShortcut(const std::string& link, const std::string& target,
                                                    const std::string& icon) {
    const bool made = m_shell.CreateShortcut(link, target, icon);
    m_log.Line({made ? "link: " : "link not made: ", link, " -> ", target});
    return made;
}

InstallationHooks::InstallationHooks(SupportLog& log) : m_shell(log) {
    options.shell = &m_shell;
    options.observe = [&log](const InstallEvent& event) {
        switch (event.kind) {
        case InstallEvent::Kind::kFolderMade:
            log.Line({"folder made: ", event.path.empty() ? std::string_view("(the install folder)") : event.path});
            break;
        case InstallEvent::Kind::kFileWritten: log.Line({"file written: ", event.path}); break;
        case InstallEvent::Kind::kFailed: LogFailure(log, *event.failure); break;
        }
    };
    options.registerApp = [&log](const os::AppListEntry& entry, std::string& failure) {
        uint32_t error = 0;
        if (!os::WriteAppListEntry(entry, error)) {
            failure = os::ErrorText(error);
        }
        LogAppListEntry(log, entry, failure);
        return failure.empty();
    };
    // Written when the installation is done; the uninstaller removes them too.
    options.laterFiles = {std::string(kSettingsFileName), std::string(kSecondSettingsFileName), kSetupLogName};
}

std::vector<std::string> LogFilesInUse(const InstallPlan& plan, SupportLog& log) {
    std::vector<std::string> inUse = FilesInUse(plan);
    for (const std::string& file : inUse) {
        log.Line({"in use by another program: ", file});
    }
    return inUse;
}

SpaceCheck LogSpaceCheck(const InstallPlan& plan, const CPackageInfo& package, SupportLog& log) {
    os::InputFile setup;
    if (!setup.Open(SetupFilePath(), os::kRecordBuffer)) {
        return {};  // the installation reports it
    }
    const SpaceCheck space = CheckSpace(plan, package, setup);
    log.Line({"space needed: ", SizeText(space.needed),
              ", free: ", space.known ? SizeText(space.available, true) : std::string("unknown")});
    return space;
}

InstallReport InstallFromSetupFile(const CPackageInfo& package, const InstallChoice& choice,
                                   const ExtractOptions& options, SupportLog& log) {
    os::InputFile setup;
    if (!setup.Open(SetupFilePath())) {
        InstallReport report;
        LogFailure(log, report.failures.emplace_back(
                            ExtractFailure{"", FailureKind::kReadFailed, "the setup file cannot be opened again"}));
        return report;
    }
    return ExtractPackage(package, setup, choice, options);
}

ExitCode AfterInstallation(InstallationState& installation, int orderSoftware, CClientSettings& settings,
                           SupportLog& log) {
    InstallReport& report = installation.report;
    for (const std::string& kept : report.keptChanged) {
        log.Line({"kept, changed since it was installed: ", kept});
    }
    if (!report.installed) {
        settings.ReadFrom(CIniFile());  // no installed settings to read: the defaults
        log.Line({report.earlierFound ? "not installed: the earlier installation is unchanged"
                                      : "not installed: what was written is removed"});
        const bool damaged = std::any_of(report.failures.begin(), report.failures.end(),
                                         [](const ExtractFailure& f) { return f.kind == FailureKind::kDamagedData; });
        return damaged ? ExitCode::kDamaged : ExitCode::kNotCompleted;
    }
    const std::string& folder = installation.choice.folder.text();
    if (LoadClientSettings(settings, folder) != IniStatus::kOk) {
        LogFailure(log, report.failures.emplace_back(ExtractFailure{
                            std::string(kSettingsFileName), FailureKind::kReadFailed, "", FailureItem::kSettingsFile}));
    }
    if (WriteMainTrade(folder, orderSoftware) == IniStatus::kOk) {
        log.Line({"settings written: 2nd_voz.ini MainTrade=", MainTradeText(orderSoftware)});
    } else {
        LogFailure(
            log, report.failures.emplace_back(ExtractFailure{
                     std::string(kSecondSettingsFileName), FailureKind::kWriteFailed, "", FailureItem::kSettingsFile}));
    }
    std::optional<gbk::Path> copy = installation.choice.folder.Join(kSetupLogName);
    std::optional<os::NativePath> native = copy ? copy->ToNative() : std::nullopt;
    if (native && log.CopyTo(*native)) {
        log.Line({"log continued in ", copy->text()});
    }
    return report.failures.empty() ? ExitCode::kDone : ExitCode::kDoneWithFailures;
}

bool SaveSettings(CClientSettings& settings, const InstallChoice& choice, SupportLog& log) {
    const bool saved = SaveClientSettings(settings, choice.folder.text()) == IniStatus::kOk;
    log.Line({saved ? "settings written: Voz.ini" : "failed: settings not written: Voz.ini"});
    return saved;
}

}  // namespace voz
