// Helpers shared by the unit tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace voz::test {

// A fresh, empty folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::filesystem::path& path, const std::string& text);

// Bytes with some structure (words and repeats), so that they compress, from a fixed seed.
std::vector<uint8_t> CompressibleBytes(size_t size, uint32_t seed);
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);

// Runs a shell command; its exit status (-1 when it did not exit) and its
// standard output and error together.
struct CommandResult {
    int status;
    std::string out;
};
CommandResult RunCommand(const std::string& command);
#ifdef VOZPACK_PATH
inline CommandResult Vozpack(const std::string& args) { return RunCommand(std::string(VOZPACK_PATH) + " " + args); }
#endif

// Converts UTF-8 test text to GBK (fails the test when it cannot).
std::string Gbk(const std::string& utf8);

}  // namespace voz::test
