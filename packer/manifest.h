// Reads a package manifest (TOML, UTF-8) into a PackageSpec.
#pragma once

#include <filesystem>

#include "packer/package_spec.h"

namespace voz {

// Paths in the manifest are relative to the manifest's folder. Every problem
// (a missing or unknown key, an unreadable file, a text GBK cannot hold, an
// image the setup cannot draw) throws PackError naming the file and the reason.
PackageSpec LoadManifest(const std::filesystem::path& manifestPath);

// Turns UTF-8 text into the setup's form: GBK with CR LF line breaks, a UTF-8 byte-order mark dropped.
std::string SetupText(const std::string& utf8, const std::string& what);

}  // namespace voz
