// The setup's command line:
//
//   setup.exe [/S] [/STYLE=LABEL] [/ORDER=N] [/LOG=FILE] [/?] [/D=FOLDER]
//
// Switches are matched without regard to case; a value with blanks is
// quoted, except the install folder, which comes last and takes the rest of
// the line as it stands. Without /S the wizard runs, /D= and /LOG= preset its
// folder and log, and every other word is ignored; with /S a word the setup
// does not know is an error.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "package/install_choice.h"
#include "package/package_info.h"

namespace voz {

struct SetupArguments {
    bool silent = false;  // /S
    bool help = false;    // /?
    // The switches' values as given, UTF-8.
    std::optional<std::string> folder, style, order, log;
    std::vector<std::string> unknown;  // every other word, as given
};

// Reads the command line as the system split it into words and as it stands
// (for /D=), both UTF-8 and the program's own name first.
SetupArguments ParseSetupArguments(const std::vector<std::string>& words, std::string_view commandLine);

// What a silent installation installs: the folder and style, and the
// position of the order software in the order page's list.
struct SilentChoice {
    InstallChoice choice;
    int orderSoftware = 0;
};

// Why the command line of a silent installation is refused: what, and the
// rule that refused it (empty when there is none to add).
struct ArgumentProblem {
    const char* what = nullptr;  // null: nothing is refused
    std::string why;
};

// The silent installation's choice: `defaultFolder` (GBK: the earlier
// installation's folder or the package's default), the package's
// first style and its default order software, each replaced by what the
// command line gives. An unknown word, a folder the folder page would refuse,
// a style the package does not offer or an order software outside the list
// is refused.
ArgumentProblem ChooseSilently(const SetupArguments& arguments, const CPackageInfo& package,
                               std::string_view defaultFolder, SilentChoice& chosen);

// The /? message (GBK): the switches, the order software list and the exit codes.
std::string SetupHelpText();

}  // namespace voz
