#include <unistd.h>

#include <thread>

#include "os/process.h"

namespace voz::os {

std::vector<std::string> ProgramArguments(int argc, char** argv) { return std::vector<std::string>(argv, argv + argc); }

NativePath ProgramPath() {
    std::string path(256, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
        if (n < 0) {
            return {};
        }
        if (static_cast<size_t>(n) < path.size()) {
            path.resize(static_cast<size_t>(n));
            return path;
        }
        path.resize(path.size() * 2);
    }
}

unsigned long ProcessId() { return static_cast<unsigned long>(getpid()); }

unsigned ProcessorCount() {
    unsigned count = std::thread::hardware_concurrency();
    return count > 0 ? count : 1;
}

}  // namespace voz::os
