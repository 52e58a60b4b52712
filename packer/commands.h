// The packing tool's commands. Each returns the process exit status:
// 0 success, 1 a damaged package (verify) or failures while installing
// (extract), 2 bad input.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace voz {

// The name of the Windows setup stub that vozpack takes by default, from its
// own folder (a build tree) or from ../share/vozpack beside it (installed).
inline constexpr char kDefaultStubName[] = "setup-stub.exe";

// The stub to use when none is named: kDefaultStubName in toolFolder or in
// toolFolder/../share/vozpack, the first that exists; nothing otherwise.
std::optional<std::filesystem::path> DefaultStub(const std::filesystem::path& toolFolder);

// A code-signing certificate and its private key (PEM or DER files).
struct SigningKey {
    std::filesystem::path certificate;
    std::filesystem::path key;
};

// Without a stub the setup gets a zero-filled placeholder of the stub's size,
// which keeps the package offset right but does not run. With a signing key
// the finished setup is signed (Authenticode) before it takes its name.
int BuildCommand(const std::filesystem::path& manifest, const std::filesystem::path& output,
                 const std::optional<std::filesystem::path>& stub, const std::optional<SigningKey>& signing = {});
// Signs a built setup in place, replacing any signature it had.
int SignCommand(const std::filesystem::path& setup, const SigningKey& signing);
int ListCommand(const std::filesystem::path& setup, bool json);
int VerifyCommand(const std::filesystem::path& setup);
// Installs the setup's package into dir for the given install style (default:
// the first, as the wizard preselects), without shortcuts.
int ExtractCommand(const std::filesystem::path& setup, const std::filesystem::path& dir,
                   const std::optional<std::string>& style);

}  // namespace voz
