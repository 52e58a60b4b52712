// The one installation the wizard carries from page to page: the folder
// page's field as it stands, the choice the installation runs with,
// and what it gave back. The wizard owns it; the folder and style pages fill
// it, the extraction page fixes the choice, hands it to the worker and reads
// the results, and Finish saves the settings into the same folder.
#pragma once

#include <string>
#include <vector>

#include "package/extract.h"
#include "package/install_choice.h"

namespace voz {

struct InstallationState {
    // The folder page's field as it stands, and whether it holds only
    // characters GBK can write. Checked when the installation starts.
    std::string folderField;
    bool folderFieldReadable = false;
    // The style is set by the style page; the folder once the field's text
    // has passed the check, when the installation starts.
    InstallChoice choice;
    // Written by the worker before it reports that the installation ended.
    InstallReport report;
};

}  // namespace voz
