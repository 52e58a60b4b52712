#include "test_support.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "os/text_encoding.h"

namespace voz::test {

TempDir::TempDir() {
    static std::mt19937_64 rng{std::random_device{}()};
    m_path = std::filesystem::temp_directory_path() / ("voz-test-" + std::to_string(rng()));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(m_path, ec);
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<uint8_t> CompressibleBytes(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"quote ", "order ", "trade ", "price ", "volume ", "\r\n", "K-line ", "0.25 "};
    std::mt19937 rng(seed);
    std::vector<uint8_t> out;
    out.reserve(size + 16);
    while (out.size() < size) {
        uint32_t r = rng() % 10;
        if (r < 6) {
            const char* w = kWords[rng() % 8];
            out.insert(out.end(), w, w + std::char_traits<char>::length(w));
        } else if (r < 8 && out.size() > 32) {
            size_t from = rng() % (out.size() - 16);
            size_t len = 3 + rng() % 40;
            for (size_t i = 0; i < len; ++i) {
                out.push_back(out[from + i]);
            }
        } else {
            out.push_back(static_cast<uint8_t>(rng()));
        }
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> out(size);
    for (auto& b : out) {
        b = static_cast<uint8_t>(rng());
    }
    return out;
}

CommandResult RunCommand(const std::string& command) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    std::string out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, pipe)) > 0;) {
        out.append(buf, n);
    }
    int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string Gbk(const std::string& utf8) {
    auto gbk = os::Utf8ToGbk(utf8);
    EXPECT_TRUE(gbk.has_value()) << utf8;
    return gbk.value_or("");
}

std::vector<uint8_t> PeProgram(const std::vector<PeSection>& sections, uint16_t magic, PeSection certificate) {
    const uint32_t header = 0x80;
    const uint16_t optionalSize = magic == 0x20B ? 240 : 224;
    std::vector<uint8_t> bytes(header + 24 + optionalSize + 40 * sections.size(), 0);
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); };
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
    bytes[0] = 'M';
    bytes[1] = 'Z';
    put32(0x3C, header);
    std::memcpy(&bytes[header], "PE\0\0", 4);
    put16(header + 4, 0x14C);
    put16(header + 6, static_cast<uint16_t>(sections.size()));
    put16(header + 20, optionalSize);
    const size_t optional = header + 24;
    put16(optional, magic);
    const size_t certificateEntry = optional + (magic == 0x20B ? 144 : 128);
    put32(certificateEntry, certificate.offset);
    put32(certificateEntry + 4, certificate.size);
    uint32_t end = certificate.offset + certificate.size;
    for (size_t i = 0; i < sections.size(); ++i) {
        put32(optional + optionalSize + 40 * i + 16, sections[i].size);
        put32(optional + optionalSize + 40 * i + 20, sections[i].offset);
        end = std::max(end, sections[i].offset + sections[i].size);
    }
    bytes.resize(std::max<size_t>(bytes.size(), end), 0xCC);
    return bytes;
}

std::vector<uint8_t> Bitmap(int32_t width, int32_t height, uint16_t bits, uint32_t compression) {
    const uint32_t stride = (static_cast<uint32_t>(width) * bits + 31) / 32 * 4;
    const uint32_t pixels = stride * static_cast<uint32_t>(height < 0 ? -height : height);
    std::vector<uint8_t> bmp(54 + pixels, 0x7F);
    auto put = [&](size_t at, uint32_t v, size_t size) { std::memcpy(&bmp[at], &v, size); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, static_cast<uint32_t>(bmp.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, bits, 2);
    put(30, compression, 4);
    put(34, pixels, 4);
    return bmp;
}

}  // namespace voz::test
