#include "packer/package_writer.h"

#include <gtest/gtest.h>

#include "packer/pack_error.h"
#include "test_support.h"

namespace voz {
namespace {

std::string WriteError(const PackageSpec& spec, MemoryOutput& out) {
    try {
        WritePackage(spec, out, {}, 0);
    } catch (const PackError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(PackageWriter, RefusesWhatTheSetupCannotHoldAndWritesNothing) {
    struct Case {
        std::function<void(PackageSpec&)> breakIt;
        std::string expected;
    };
    const Case cases[] = {
        {[](PackageSpec& s) { s.title = std::string(128, 'x'); }, "title \"" + std::string(128, 'x') + "\" is 128 bytes; the setup holds at most 127"},
        {[](PackageSpec& s) { s.installDir = std::string(256, 'x'); }, "holds at most 255"},
        {[](PackageSpec& s) { s.dirs.resize(1025); }, "too many folders: 1025"},
        {[](PackageSpec& s) { s.dirs.resize(1); s.dirs[0].files.resize(513); }, "too many files in folder"},
        {[](PackageSpec& s) { s.shortcuts.resize(9); }, "too many shortcuts: 9"},
        {[](PackageSpec& s) { s.copies.resize(9); }, "too many style copies: 9"},
        {[](PackageSpec& s) { s.removes.resize(65); }, "too many removes: 65"},
        {[](PackageSpec& s) { s.copies = {{"a", "b", std::string(32, 'S')}}; }, "style label"},
        {[](PackageSpec& s) { s.dirs = {PackDir{"", {PackFile{std::string(128, 'n'), {}, {}, {}, std::vector<uint8_t>{}}}}}; }, "file name"},
        {[](PackageSpec& s) { s.texts[3] = std::string(65536, 'x'); }, "text 'style' is 65536 bytes"},
        {[](PackageSpec& s) { s.texts[0] = std::string("a\0b", 3); }, "zero byte"},
        {[](PackageSpec& s) { s.images[1].resize(kImageCapacity + 1); }, "image 'welcome' is 1048577 bytes"},
        // Incompressible text that fits decoded but not once framed into blocks.
        {[](PackageSpec& s) {
             auto r = test::RandomBytes(65535, 4);
             s.texts[5] = std::string(r.begin(), r.end());
             std::replace(s.texts[5].begin(), s.texts[5].end(), '\0', 'z');
         },
         "text 'extract' takes 65539 bytes once packed"},
    };
    for (const Case& c : cases) {
        PackageSpec spec;
        c.breakIt(spec);
        MemoryOutput out;
        std::string error = WriteError(spec, out);
        EXPECT_NE(error.find(c.expected), std::string::npos) << "expected: " << c.expected << "\n got: " << error;
        EXPECT_TRUE(out.Bytes().empty()) << c.expected;
    }
}

TEST(PackageWriter, ReportsProgressUpToTheTotal) {
    PackageSpec spec;
    PackDir dir{"", {}};
    for (int i = 0; i < 5; ++i) {
        dir.files.push_back({"f" + std::to_string(i), {}, {}, {}, std::vector<uint8_t>(9 << 20, static_cast<uint8_t>(i))});
    }
    spec.dirs = {dir};
    std::vector<std::pair<uint64_t, uint64_t>> calls;
    WriteOptions options;
    options.encoder.level = EncoderLevel::kFast;  // progress is the point here, not the parse
    options.progress = [&](uint64_t done, uint64_t total) { calls.emplace_back(done, total); };
    MemoryOutput out;
    WritePackage(spec, out, options, 0);
    ASSERT_GE(calls.size(), 2u);  // 45 MiB in batches of 16 MiB
    for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GT(calls[i].first, calls[i - 1].first);
    }
    EXPECT_EQ(calls.back().first, 45u << 20);
    EXPECT_EQ(calls.back().second, 45u << 20);
}

}  // namespace
}  // namespace voz
