#pragma once

#include <stdexcept>
#include <string>

namespace voz {

// A package that cannot be built as asked; the message names the item and the reason.
class PackError : public std::runtime_error {
public:
    explicit PackError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace voz
