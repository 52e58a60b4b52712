// The packing tool's commands. Each returns the process exit status:
// 0 success, 1 a damaged package (verify) or failures while installing
// (extract), 2 bad input.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "packer/block_encoder.h"

namespace voz {

// The name of the Windows setup stub that vozpack takes by default, from its
// own folder.
inline constexpr char kDefaultStubName[] = "setup-stub.exe";
// The uninstaller packed when the manifest names none, from vozpack's folder.
inline constexpr char kDefaultUninstallerName[] = "uninstaller.exe";

// A file that ships beside vozpack (such as kDefaultStubName): its path in
// the folder of the running program, when it is there; nothing otherwise.
std::optional<std::filesystem::path> FileBesideTool(const std::string& name);

// Refuses, before writing anything, a package the setup would refuse: one
// line per problem on stderr, status 2. Without a stub nothing is built,
// unless placeholderStub asks for a zero-filled placeholder of the stub's
// size (for tests: it keeps the package offset right but does not run). A
// manifest without an uninstaller gets defaultUninstaller, or without one an
// empty uninstaller.
int BuildCommand(const std::filesystem::path& manifest, const std::filesystem::path& output,
                 const std::optional<std::filesystem::path>& stub,
                 const std::optional<std::filesystem::path>& defaultUninstaller, bool placeholderStub = false,
                 EncoderLevel level = EncoderLevel::kBest);
int ListCommand(const std::filesystem::path& setup, bool json);
// Exits 1 naming each damaged item and each name the setup would refuse.
int VerifyCommand(const std::filesystem::path& setup);
// Installs the setup's package into dir for the given install style (default:
// the first, as the wizard preselects), without shortcuts.
int ExtractCommand(const std::filesystem::path& setup, const std::filesystem::path& dir,
                   const std::optional<std::string>& style);

}  // namespace voz
