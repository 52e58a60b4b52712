// The tally each Windows test program keeps: every check passes or fails, a
// failure is printed when it happens (the first 40 of them, so that a broken
// rule in a large table does not flood the log), and the program ends by
// printing "N passed, N failed" and exiting non-zero when anything failed.
#pragma once

#include <cstdio>
#include <string>

namespace voz::test {

inline int g_passed = 0;
inline int g_failed = 0;

inline bool Check(bool ok, const std::string& what) {
    if (ok) {
        ++g_passed;
        return true;
    }
    if (++g_failed <= 40) {
        std::printf("FAILED: %s\n", what.c_str());
        std::fflush(stdout);
    }
    return false;
}

// The last line of the program's output, and its exit status.
inline int ReportChecks() {
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}

}  // namespace voz::test
