// A program's command line split into words the way the setup and the
// uninstaller read theirs, the same on every system so that it is tested
// where it is built.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace voz::os {

// Words are separated by blanks; double quotes group blanks into a word and
// are dropped. A word after the first that begins with `restPrefix`, unless
// that is empty, takes the rest of the line as it stands, blanks included, less
// trailing blanks and one pair of quotes around all of its value: the
// convention that lets an install folder with blanks be given unquoted as
// the last argument. The program's own name is the first word.
std::vector<std::string> SplitCommandLine(std::string_view line, std::string_view restPrefix);

// True when `word` begins with `prefix`, ASCII letters compared without case.
bool HasSwitchPrefix(std::string_view word, std::string_view prefix);

}  // namespace voz::os
