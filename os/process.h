// The running program: its arguments, its own file, its process and the
// machine's processors.
#pragma once

#include <string>
#include <vector>

#include "os/native_path.h"

namespace voz::os {

// The command-line arguments as UTF-8, the program's name first. On Windows
// they come from the system's UTF-16 command line, so that names outside the
// ANSI code page arrive whole; elsewhere argv is taken as it stands.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The full path of the running program's own file; empty when the system cannot tell.
NativePath ProgramPath();

unsigned long ProcessId();

// How many threads the machine runs at once (at least 1).
unsigned ProcessorCount();

}  // namespace voz::os
