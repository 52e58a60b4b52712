// What a support log says of the system a program runs on and of the run
// itself, and keeping a silent run's windows away. Windows only.
#pragma once

#include <string>

#include "os/file_time.h"

namespace voz::os {

// The local date and time now.
FileTime LocalTime();
// The program's command line as the system gave it, in UTF-8.
std::string CommandLine();
// The Windows version as the system itself reports it (not as told to an
// older program) and the ANSI code page, e.g. "Windows 10.0.19045, code page 936".
std::string SystemDescription();

// For a run that must show no window whatever happens: the system's boxes
// for a missing disk or a crash and the C library's for an abort are left
// out, the program just ends.
void KeepErrorWindowsAway();

}  // namespace voz::os
