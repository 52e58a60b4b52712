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
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
// The file's bytes as a string (GBK or INI text, byte for byte).
std::string ReadText(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::filesystem::path& path, const std::string& text);

// Bytes with some structure (words and repeats), so that they compress, from a fixed seed.
std::vector<uint8_t> CompressibleBytes(size_t size, uint32_t seed);
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);

// A PE program file: DOS header, PE header (machine i386), an optional
// header of the given magic (0x10B 32-bit, 0x20B 64-bit) whose certificate
// entry is `certificate`, and sections at the given raw offsets and sizes; the
// file runs to the end of the last of them.
struct PeSection {
    uint32_t offset;
    uint32_t size;
};
std::vector<uint8_t> PeProgram(const std::vector<PeSection>& sections, uint16_t magic = 0x10B,
                               PeSection certificate = {0, 0});

// A BMP file: file header, 40-byte info header, rows padded to four bytes
// (top down for a negative height), every pixel byte 0x7F.
std::vector<uint8_t> Bitmap(int32_t width, int32_t height, uint16_t bits = 24, uint32_t compression = 0);

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
