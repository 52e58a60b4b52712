// What the setup and the uninstaller read from their command lines beyond the
// words the system splits it into (os/process.h, ProgramArguments), the same
// on every system so that it is tested where it is built.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace voz::os {

// True when `word` begins with `prefix`, ASCII letters compared without case.
bool HasSwitchPrefix(std::string_view word, std::string_view prefix);

// True when `word` is the switch `name` that takes no value.
bool IsSwitch(std::string_view word, std::string_view name);

// Stores the value of `word` when it is the switch `prefix`, which ends in '='.
bool TakeValue(std::string_view word, std::string_view prefix, std::optional<std::string>& value);

// The value of the last word of `line` (after the program's name) that begins
// with `prefix`, taken to the end of the line as it stands, blanks included,
// less trailing blanks and the quotes around the word or its value: the
// convention that lets an install folder with blanks be given unquoted as the
// last argument. Nothing when no word begins so.
std::optional<std::string> ValueToLineEnd(std::string_view line, std::string_view prefix);

}  // namespace voz::os
