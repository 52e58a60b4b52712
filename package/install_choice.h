// What the user chose for an installation: the folder to install into and the
// install style. The package record holds the defaults (the folder the folder
// page shows first, no style); the choice is handed to the installation as a
// parameter, so the record stays as it was loaded.
#pragma once

#include <string>

#include "os/gbk_path.h"

namespace voz {

struct InstallChoice {
    gbk::Path folder;
    // Selects the style copies whose label equals it; empty selects those without a label.
    std::string style;
};

}  // namespace voz
