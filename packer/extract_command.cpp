// vozpack extract: installs a setup's package into a folder with the setup's
// own installation engine, without shortcuts.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "os/file.h"
#include "os/filesystem.h"
#include "os/text_encoding.h"
#include "package/extract.h"
#include "package/install_paths.h"
#include "package/install_styles.h"
#include "package/package_loader.h"
#include "packer/commands.h"
#include "packer/console_text.h"
#include "packer/setup_inspection.h"
#include "packer/terminal_progress.h"

namespace voz {

namespace fs = std::filesystem;

namespace {

// The install folder: an absolute path in GBK of at most gbk::kMaxPathBytes.
bool ChooseFolder(InstallChoice& choice, const fs::path& dir) {
    fs::path folder = fs::absolute(dir).lexically_normal();
    if (!folder.has_filename() && folder.has_relative_path()) {
        folder = folder.parent_path();  // no separator at the end, except the root's own
    }
    const std::string text = PathText(folder);
    if (os::kSeparator != '\\' && text.find('\\') != std::string::npos) {
        PrintError("vozpack: %s: a backslash would be taken for a folder separator\n", text.c_str());
        return false;
    }
    std::string gbk;
    if (!os::NativeToGbk(folder.native(), gbk)) {
        PrintError("vozpack: %s: the folder name cannot be written in GBK\n", text.c_str());
        return false;
    }
    std::optional<gbk::Path> path = gbk::Path::From(gbk);
    if (!path) {
        PrintError("vozpack: %s: the folder name is longer than %zu GBK bytes\n", text.c_str(), gbk::kMaxPathBytes);
        return false;
    }
    choice.folder = std::move(*path);
    return true;
}

bool ChooseStyle(InstallChoice& choice, const CPackageInfo& package, const std::optional<std::string>& style) {
    const std::vector<std::string> labels = InstallStyles(package);
    std::string chosen;
    if (style) {
        std::optional<std::string> gbk = os::Utf8ToGbk(*style);
        if (!gbk || std::find(labels.begin(), labels.end(), *gbk) == labels.end()) {
            PrintError("vozpack: the setup has no install style \"%s\"; its styles:", style->c_str());
            for (const auto& label : labels) {
                PrintError(" \"%s\"", DisplayText(label.c_str()).c_str());
            }
            PrintError("%s\n", labels.empty() ? " none" : "");
            return false;
        }
        chosen = *gbk;
    } else if (!labels.empty()) {
        chosen = labels.front();  // the wizard preselects the first style
    }
    choice.style = std::move(chosen);
    return true;
}

}  // namespace

int ExtractCommand(const fs::path& setup, const fs::path& dir, const std::optional<std::string>& style) {
    os::InputFile input;
    if (!input.Open(setup.native())) {
        PrintError("vozpack: %s: cannot open the file\n", PathText(setup).c_str());
        return 2;
    }
    CPackageInfo package;
    LoadPackage(package, input);
    if (!package.m_status.sound()) {
        PrintError("vozpack: %s: the package is %s at %s: %s; nothing installed\n", PathText(setup).c_str(),
                   package.m_status.state == PackageStatus::State::kTruncated ? "truncated" : "damaged",
                   package.m_status.where.c_str(), package.m_status.reason.c_str());
        return 2;
    }
    InstallChoice choice;
    if (!ChooseFolder(choice, dir) || !ChooseStyle(choice, package, style)) {
        return 2;
    }
    std::string styleText = DisplayText(choice.style.c_str());
    PrintOut("installing into %s, style %s; shortcuts are not made here, so the uninstall data names none\n",
             DisplayText(choice.folder.text().c_str()).c_str(), styleText.empty() ? "(none)" : styleText.c_str());
    std::fflush(stdout);

    InstallReport report;
    {
        TerminalProgress bar("installing");
        ExtractOptions options;
        options.progress = [&](int percent) { bar.Update(static_cast<uint64_t>(percent), 100); };
        report = ExtractPackage(package, input, choice, options);
    }
    for (const ExtractFailure& failure : report.failures) {
        PrintOut("failed: %s: %s: %s\n", DisplayText(failure.path.c_str()).c_str(), DescribeFailureKind(failure.kind),
                 DisplayText(failure.detail.c_str()).c_str());
    }
    for (const std::string& kept : report.keptChanged) {
        PrintOut("kept: %s: changed since the earlier installation, no longer owned\n",
                 DisplayText(kept.c_str()).c_str());
    }
    if (!report.installed) {
        PrintOut("nothing installed: %s\n",
                 report.earlierFound ? "the earlier installation is unchanged" : "everything written was removed");
        return 1;
    }
    if (!report.failures.empty()) {
        PrintOut("%zu failure%s\n", report.failures.size(), report.failures.size() == 1 ? "" : "s");
        return 1;
    }
    PrintOut("installed %d files in %zu folders and the uninstaller\n", PackagedFileCount(package),
             package.m_dirs.size());
    return 0;
}

}  // namespace voz
