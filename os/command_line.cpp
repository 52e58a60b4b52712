#include "os/command_line.h"

namespace voz::os {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool HasSwitchPrefix(std::string_view word, std::string_view prefix) {
    if (word.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (Folded(word[i]) != Folded(prefix[i])) {
            return false;
        }
    }
    return true;
}

bool IsSwitch(std::string_view word, std::string_view name) {
    return word.size() == name.size() && HasSwitchPrefix(word, name);
}

bool TakeValue(std::string_view word, std::string_view prefix, std::optional<std::string>& value) {
    if (!HasSwitchPrefix(word, prefix)) {
        return false;
    }
    value.emplace(word.substr(prefix.size()));
    return true;
}

std::optional<std::string> ValueToLineEnd(std::string_view line, std::string_view prefix) {
    // The program's name is the first word, quoted or not.
    const size_t nameEnd = !line.empty() && line[0] == '"' ? line.find('"', 1) : line.find_first_of(" \t");
    size_t last = std::string_view::npos;
    for (size_t at = nameEnd + 1; nameEnd != std::string_view::npos && at < line.size(); ++at) {
        if ((IsBlank(line[at - 1]) || line[at - 1] == '"') && HasSwitchPrefix(line.substr(at), prefix)) {
            last = at;
        }
    }
    if (last == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view value = line.substr(last + prefix.size());
    while (!value.empty() && IsBlank(value.back())) {
        value.remove_suffix(1);
    }
    // "/D=C:\a b" or /D="C:\a b": the closing quote goes, and the opening one of the value.
    const bool quotedValue = line[last - 1] != '"' && value.size() >= 2 && value[0] == '"';
    if ((line[last - 1] == '"' || quotedValue) && !value.empty() && value.back() == '"') {
        value = value.substr(quotedValue ? 1 : 0, value.size() - (quotedValue ? 2 : 1));
    }
    return std::string(value);
}

}  // namespace voz::os
