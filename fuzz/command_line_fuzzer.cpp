// Feeds arbitrary command lines to the setup's reading of its switches and to
// the choice a silent installation makes of them. Besides staying inside its
// buffers, a choice that is not refused must be one the wizard could make: a
// folder the folder page accepts, a style the package offers, an order
// software of the list or the package's default.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "os/command_line.h"
#include "package/install_rules.h"
#include "package/install_styles.h"
#include "wizard/setup_arguments.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// The line split at its blanks, as the system splits one without quotes.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words(1);
    for (char c : line) {
        if (c == ' ' || c == '\t') {
            words.emplace_back();
        } else {
            words.back() += c;
        }
    }
    return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    if (std::optional<std::string> folder = voz::os::ValueToLineEnd(line, "/D=")) {
        Require(folder->size() < line.size() && line.find(*folder) != std::string::npos);
    }
    voz::CPackageInfo package;
    for (const char* style : {"\xBE\xAB\xBC\xF2\xB0\xE6", "Full"}) {  // 精简版
        std::strcpy(package.m_copies.emplace_back().szStyle, style);
    }
    package.m_nDefaultOrderSoftware = 7;
    voz::SilentChoice chosen;
    const voz::SetupArguments arguments = voz::ParseSetupArguments(Words(line), line);
    if (voz::ChooseSilently(arguments, package, "C:\\Voz", chosen).what == nullptr) {
        Require(voz::CheckName(voz::NameKind::kInstallFolder, chosen.choice.folder.text()) == voz::NameCheck::kSafe);
        const std::vector<std::string> styles = voz::InstallStyles(package);
        Require(std::find(styles.begin(), styles.end(), chosen.choice.style) != styles.end());
        Require(chosen.orderSoftware == 7 || (chosen.orderSoftware >= 0 && chosen.orderSoftware < 4));
    }
    return 0;
}
