// The packing tool's commands. Each returns the process exit status:
// 0 success, 1 a damaged package or one the setup refuses (verify) or
// failures while installing (extract), 2 bad input.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "packer/block_encoder.h"

namespace voz {

// The name of the Windows setup stub that vozpack takes by default, from its
// own folder (a build tree) or from ../share/vozpack beside it (installed).
inline constexpr char kDefaultStubName[] = "setup-stub.exe";
// The uninstaller packed when the manifest names none, from vozpack's folder.
inline constexpr char kDefaultUninstallerName[] = "uninstaller.exe";

// A file that ships with vozpack (such as kDefaultStubName): its path in the
// folder of the running program (a build tree or the Windows zip), or in
// ../share/vozpack beside it (the installed tool), the first that exists;
// nothing otherwise.
std::optional<std::filesystem::path> FileBesideTool(const std::string& name);

// A code-signing certificate and its private key (PEM or DER files).
struct SigningKey {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

struct BuildOptions {
    std::optional<std::filesystem::path> stub;
    // For tests only: a zero-filled placeholder of the stub's size, which keeps
    // the package offset right but does not run.
    bool placeholderStub = false;
    // Packed when the manifest names no uninstaller; without one the
    // uninstaller is empty.
    std::optional<std::filesystem::path> defaultUninstaller;
    EncoderLevel level = EncoderLevel::kBest;
    // With a key the finished setup is signed (Authenticode) before it takes its name.
    std::optional<SigningKey> signing;
};

// Refuses, before writing anything, a package the setup would refuse: one
// line per problem on stderr, status 2. Without a stub (and no placeholder
// asked for) nothing is built.
int BuildCommand(const std::filesystem::path& manifest, const std::filesystem::path& output,
                 const BuildOptions& options);
// Signs a built setup in place, replacing any signature it had.
int SignCommand(const std::filesystem::path& setup, const SigningKey& signing);
int ListCommand(const std::filesystem::path& setup, bool json);
// Exits 1 naming each damaged item and each name the setup would refuse;
// names only vozpack build refuses are notes, and leave the status 0.
int VerifyCommand(const std::filesystem::path& setup);
// Installs the setup's package into dir for the given install style (default:
// the first, as the wizard preselects), without shortcuts.
int ExtractCommand(const std::filesystem::path& setup, const std::filesystem::path& dir,
                   const std::optional<std::string>& style);

}  // namespace voz
