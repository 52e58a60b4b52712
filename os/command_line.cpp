#include "os/command_line.h"

namespace voz::os {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Folded(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// A word that takes the rest of the line: its prefix and its value, less
// trailing blanks and one pair of quotes around the whole value.
std::string RestWord(std::string_view rest, size_t prefix) {
    while (IsBlank(rest.back())) {
        rest.remove_suffix(1);
    }
    std::string word(rest);
    if (word.size() >= prefix + 2 && word[prefix] == '"' && word.back() == '"') {
        word.pop_back();
        word.erase(prefix, 1);
    }
    return word;
}

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

std::vector<std::string> SplitCommandLine(std::string_view line, std::string_view restPrefix) {
    std::vector<std::string> words;
    for (size_t at = 0; at < line.size();) {
        if (IsBlank(line[at])) {
            ++at;
        } else if (!words.empty() && !restPrefix.empty() && HasSwitchPrefix(line.substr(at), restPrefix)) {
            words.push_back(RestWord(line.substr(at), restPrefix.size()));
            break;
        } else {
            std::string& word = words.emplace_back();
            for (bool quoted = false; at < line.size() && (quoted || !IsBlank(line[at])); ++at) {
                if (line[at] == '"') {
                    quoted = !quoted;
                } else {
                    word += line[at];
                }
            }
        }
    }
    return words;
}

}  // namespace voz::os
