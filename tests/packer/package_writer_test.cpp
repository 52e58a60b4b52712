#include "packer/package_writer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "packer/pack_error.h"
#include "test_support.h"

namespace voz {
namespace {

std::string WriteError(const PackageSource& package, MemoryOutput& out) {
    try {
        WritePackage(package, out, {}, 0);
    } catch (const PackError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(PackageWriter, RefusesWhatTheSetupCannotHoldAndWritesNothing) {
    struct Case {
        std::function<void(CPackageInfo&)> breakIt;
        std::string expected;
    };
    const Case cases[] = {
        {[](CPackageInfo& p) { std::memset(p.m_szTitle, 'x', sizeof p.m_szTitle); },
         "title fills its field of 128 bytes without an end"},
        {[](CPackageInfo& p) { p.m_dirs.resize(1025); }, "too many folders: 1025; the setup holds at most 1,024"},
        {[](CPackageInfo& p) {
             p.m_dirs.resize(1);
             p.m_dirs[0].files.resize(513);
         },
         "too many files in folder: 513"},
        {[](CPackageInfo& p) { p.m_shortcuts.resize(9); }, "too many shortcuts: 9"},
        {[](CPackageInfo& p) { p.m_copies.resize(9); }, "too many style copies: 9"},
        {[](CPackageInfo& p) { p.m_removes.resize(65); }, "too many removes: 65"},
        {[](CPackageInfo& p) { p.m_strStyleText = std::string(65536, 'x'); },
         "text 'style' is 65536 bytes; at most 65,535 fit"},
        {[](CPackageInfo& p) { p.m_strMainText = std::string("a\0b", 3); }, "zero byte"},
        {[](CPackageInfo& p) { StoreImage(p, kWelcomeScreen, std::vector<uint8_t>(kImageCapacity + 1)); },
         "image 'welcome' is 1048577 bytes"},
        // Incompressible text that fits decoded but not once framed into blocks.
        {[](CPackageInfo& p) {
             auto r = test::RandomBytes(65535, 4);
             p.m_strExtractText = std::string(r.begin(), r.end());
             std::replace(p.m_strExtractText.begin(), p.m_strExtractText.end(), '\0', 'z');
         },
         "text 'extract' takes 65539 bytes once packed"},
    };
    for (const Case& c : cases) {
        PackageSource package;
        c.breakIt(package.record);
        MemoryOutput out;
        std::string error = WriteError(package, out);
        EXPECT_NE(error.find(c.expected), std::string::npos) << "expected: " << c.expected << "\n got: " << error;
        EXPECT_TRUE(out.Bytes().empty()) << c.expected;
    }
}

TEST(PackageWriter, ReportsProgressUpToTheTotal) {
    PackageSource package;
    package.AddFolder("");
    for (int i = 0; i < 5; ++i) {
        package.AddFile("f" + std::to_string(i), std::vector<uint8_t>(9 << 20, static_cast<uint8_t>(i)));
    }
    std::vector<std::pair<uint64_t, uint64_t>> calls;
    WriteOptions options;
    options.encoder.level = EncoderLevel::kFast;  // progress is the point here, not the parse
    options.progress = [&](uint64_t done, uint64_t total) { calls.emplace_back(done, total); };
    MemoryOutput out;
    WritePackage(package, out, options, 0);
    ASSERT_GE(calls.size(), 2u);  // 45 MiB in batches of 16 MiB
    for (size_t i = 1; i < calls.size(); ++i) {
        EXPECT_GT(calls[i].first, calls[i - 1].first);
    }
    EXPECT_EQ(calls.back().first, 45u << 20);
    EXPECT_EQ(calls.back().second, 45u << 20);
}

}  // namespace
}  // namespace voz
