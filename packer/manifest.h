// Reads a package manifest (TOML, UTF-8) into a PackageSource.
#pragma once

#include <filesystem>

#include "packer/package_check.h"
#include "packer/package_source.h"

namespace voz {

// Paths in the manifest are relative to the manifest's folder. A manifest
// that cannot be read as one (a missing or unknown key, an unreadable file, a
// text GBK cannot hold or the setup's field cannot) throws PackError naming
// the file or the key and the reason. What
// the setup would refuse (an image it cannot draw, a name it does not accept)
// is added to report.problems, one line each, and what it would show
// otherwise than meant to report.warnings.
PackageSource LoadManifest(const std::filesystem::path& manifestPath, PackReport& report);

// Turns UTF-8 text into the setup's form: GBK with CR LF line breaks, a UTF-8 byte-order mark dropped.
std::string SetupText(const std::string& utf8, const std::string& what);

}  // namespace voz
