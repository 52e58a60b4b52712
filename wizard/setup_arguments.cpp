#include "wizard/setup_arguments.h"

#include <algorithm>

#include "os/command_line.h"
#include "os/text_encoding.h"
#include "os/text_parts.h"
#include "package/exit_codes.h"
#include "package/install_rules.h"
#include "package/install_styles.h"
#include "settings/settings_commit.h"
#include "wizard/setup_texts.h"

namespace voz {

namespace {

constexpr std::string_view kFolderSwitch = "/D=";

}  // namespace

SetupArguments ParseSetupArguments(const std::vector<std::string>& words, std::string_view commandLine) {
    SetupArguments arguments;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (os::HasSwitchPrefix(word, kFolderSwitch)) {
            arguments.folder = os::ValueToLineEnd(commandLine, kFolderSwitch);
            break;  // the rest of the line is the folder's
        }
        if (os::IsSwitch(word, "/S")) {
            arguments.silent = true;
        } else if (os::IsSwitch(word, "/?")) {
            arguments.help = true;
        } else if (!os::TakeValue(word, "/STYLE=", arguments.style) &&
                   !os::TakeValue(word, "/ORDER=", arguments.order) && !os::TakeValue(word, "/LOG=", arguments.log)) {
            arguments.unknown.push_back(word);
        }
    }
    return arguments;
}

static_assert(kOrderSoftwareCount == 4, "the refusal of /ORDER= names the list's positions");

ArgumentProblem ChooseSilently(const SetupArguments& arguments, const CPackageInfo& package,
                               std::string_view defaultFolder, SilentChoice& chosen) {
    if (!arguments.unknown.empty()) {
        return {"unknown argument"};
    }
    std::optional<std::string> folder(defaultFolder);
    if (arguments.folder) {
        folder = os::Utf8ToGbk(*arguments.folder);
    }
    const NameCheck check = folder ? CheckName(NameKind::kInstallFolder, *folder) : NameCheck::kNotGbk;
    if (check != NameCheck::kSafe) {
        return {"install folder refused: ", DescribeNameCheck(check)};
    }
    chosen.choice.folder = *gbk::Path::From(*folder);  // the check refuses more than kMaxPathBytes
    const std::vector<std::string> styles = InstallStyles(package);
    std::optional<std::string> style = arguments.style ? os::Utf8ToGbk(*arguments.style) : std::nullopt;
    if (arguments.style && (!style || std::find(styles.begin(), styles.end(), *style) == styles.end())) {
        return {"install style refused: the package offers no such style"};
    }
    chosen.choice.style = style ? *style : styles.empty() ? std::string() : styles.front();
    chosen.orderSoftware = package.m_nDefaultOrderSoftware;
    if (const std::optional<std::string>& order = arguments.order) {
        if (order->size() != 1 || (*order)[0] < '0' || (*order)[0] >= '0' + kOrderSoftwareCount) {
            return {"order software refused: not a position of the list, 0 to 3"};
        }
        chosen.orderSoftware = (*order)[0] - '0';
    }
    return {};
}

std::string SetupHelpText() {
    std::string text = texts::kSwitchesHelp;
    for (int i = 0; i < kOrderSoftwareCount; ++i) {
        text += os::Joined({i > 0 ? texts::kListComma : "", os::Decimal(i), " ", texts::kOrderSoftware[i]});
    }
    text += "\r\n\r\n";
    text += texts::kExitCodesHeading;
    for (const ExitCodeMeaning& row : kSetupExitCodes) {
        text += os::Joined({"\r\n", os::Decimal(static_cast<uint32_t>(row.code)), "\t", row.text});
    }
    return text;
}

}  // namespace voz
