// The packing tool's commands. Each returns the process exit status:
// 0 success, 1 a damaged package (verify), 2 bad input.
#pragma once

#include <filesystem>
#include <optional>

namespace voz {

int BuildCommand(const std::filesystem::path& manifest, const std::filesystem::path& output,
                 const std::optional<std::filesystem::path>& stub);
int ListCommand(const std::filesystem::path& setup, bool json);
int VerifyCommand(const std::filesystem::path& setup);

}  // namespace voz
