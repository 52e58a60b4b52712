// What vozpack list shows of a setup: as JSON, and as text for people.
#pragma once

#include <nlohmann/json.hpp>

#include "packer/setup_inspection.h"

namespace voz {

// Every field of the package (through the layout's walk, so that a field
// declared there is listed), each file's decoded size, the uninstaller, the
// names that break a rule and how far the package could be read.
nlohmann::json ListingJson(const SetupInspection& inspection);

// The same for people, one line per file, shortcut, style copy and removal.
void PrintListing(const SetupInspection& inspection);

// One line per name that breaks a rule: what the setup refuses, then notes
// on what only vozpack build refuses.
void PrintNames(const NameReport& names);

}  // namespace voz
