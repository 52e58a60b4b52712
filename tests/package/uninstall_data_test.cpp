#include "package/uninstall_data.h"

#include <gtest/gtest.h>

#include <cstring>

#include "package/wire.h"
#include "test_support.h"

namespace voz {
namespace {

using test::Gbk;

UninstallTable SampleTable() {
    return {Gbk("沃兹期货"),
            "V6.2",
            {Gbk("C:\\桌面\\沃兹.lnk"), "", Gbk("C:\\程序\\沃兹\\卸载.lnk")},
            Gbk("C:\\程序\\沃兹")};
}

InstallLog SampleLog() {
    return {Gbk("沃兹期货"),
            {"", Gbk("行情数据"), Gbk("行情数据\\上海")},
            {{"VozClient.exe", FileContent{5000000000, 0xCBF43926}},  // a size beyond 32 bits
             {Gbk("行情数据\\上海\\cu.day"), FileContent{0, 0}},
             {"Voz.ini", std::nullopt}}};
}

std::vector<uint8_t> TableBytes(const UninstallTable& table) {
    MemoryOutput out;
    WritePackageString(table.title, out);
    WritePackageString(table.version, out);
    WritePackageU32(static_cast<uint32_t>(table.links.size()), out);
    for (const std::string& link : table.links) {
        WritePackageString(link, out);
    }
    WritePackageString(table.group, out);
    return out.Bytes();
}

std::vector<uint8_t> LogBytes(const InstallLog& log) {
    MemoryOutput out;
    EXPECT_TRUE(WriteInstallLog(log, out));
    return out.Bytes();
}

std::vector<uint8_t> Joined(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The sample table followed by a log.
std::vector<uint8_t> SampleData(const InstallLog& log = SampleLog()) {
    return Joined(TableBytes(SampleTable()), LogBytes(log));
}

UninstallData Read(const std::vector<uint8_t>& bytes) {
    MemoryInput in(bytes.data(), bytes.size());
    return ReadUninstallDataAt(in, 0);
}

// A log whose body is given as is, framed with a correct length and checksum.
std::vector<uint8_t> FramedLog(const std::vector<uint8_t>& body, const char* marker = kInstallLogMarker) {
    MemoryOutput out;
    out.Write(marker, sizeof kInstallLogMarker);
    WritePackageU32(static_cast<uint32_t>(body.size()), out);
    WritePackageU32(Crc32(body.data(), body.size()), out);
    out.Write(body.data(), body.size());
    return out.Bytes();
}

TEST(UninstallData, TableAndLogReadBackAsWritten) {
    const UninstallData data = Read(SampleData());
    ASSERT_EQ(data.state, UninstallDataState::kSound);
    EXPECT_EQ(data.table.title, SampleTable().title);
    EXPECT_EQ(data.table.version, "V6.2");
    EXPECT_EQ(data.table.links, SampleTable().links);
    EXPECT_EQ(data.table.group, SampleTable().group);
    EXPECT_EQ(data.log.appListKey, SampleLog().appListKey);
    EXPECT_EQ(data.log.folders, SampleLog().folders);
    EXPECT_EQ(data.log.files, SampleLog().files);
}

// An older installation has the table alone, and none has no data at all;
// every other cut is damage, as is every changed byte of the log.
TEST(UninstallData, EveryCutAndEveryChangedByteOfTheLogIsCaught) {
    const std::vector<uint8_t> table = TableBytes(SampleTable());
    EXPECT_EQ(Read(table).table.links, SampleTable().links);
    const std::vector<uint8_t> whole = SampleData();
    for (size_t size = 0; size < whole.size(); ++size) {
        const UninstallData data = Read(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(size)));
        const UninstallDataState expected = size == 0              ? UninstallDataState::kNoData
                                            : size == table.size() ? UninstallDataState::kNoLog
                                                                   : UninstallDataState::kDamaged;
        EXPECT_EQ(data.state, expected) << size;
    }
    for (size_t at = table.size(); at < whole.size(); ++at) {
        std::vector<uint8_t> changed = whole;
        changed[at] ^= 0x20;
        EXPECT_EQ(Read(changed).state, UninstallDataState::kDamaged) << at;
    }
    EXPECT_EQ(Read(Joined(whole, {0})).state, UninstallDataState::kDamaged);  // a byte after the log
}

TEST(UninstallData, HostileLengthsAndCountsAreDamageNotAllocations) {
    const std::vector<uint8_t> table = TableBytes(SampleTable());
    const std::vector<uint8_t> huge = {0xFF, 0xFF, 0xFF, 0xFF};
    const std::vector<uint8_t> noKey = {0, 0, 0, 0};
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"title length", Joined(huge, {})},
        {"shortcut count", Joined(Joined({0, 0, 0, 0, 0, 0, 0, 0}, {9, 0, 0, 0}), {})},
        {"negative shortcut count", Joined({0, 0, 0, 0, 0, 0, 0, 0}, huge)},
        {"folder count", Joined(table, FramedLog(Joined(noKey, huge)))},
        {"file count", Joined(table, FramedLog(Joined(Joined(noKey, {0, 0, 0, 0}), huge)))},
        {"logged string length", Joined(table, FramedLog(Joined(Joined(noKey, {1, 0, 0, 0}), huge)))},
        {"content tag", Joined(table, FramedLog(Joined(noKey, {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a', 2})))},
        {"content cut", Joined(table, FramedLog(Joined(noKey, {0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'a', 1, 0})))},
        {"log length",
         Joined(Joined(table, std::vector<uint8_t>(kInstallLogMarker, kInstallLogMarker + 8)), Joined(huge, noKey))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Read(c.bytes).state, UninstallDataState::kDamaged) << c.what;
    }
}

TEST(UninstallData, ALogNamingAPathOutsideTheInstallFolderIsDamaged) {
    const std::string outside[] = {"..\\Windows\\a.dll", "C:\\a.dll", "\\a.dll", "a\\..\\..\\b", ""};
    for (const std::string& path : outside) {
        InstallLog log = SampleLog();
        log.files.push_back({path});
        EXPECT_EQ(Read(SampleData(log)).state, UninstallDataState::kDamaged) << path;
    }
    InstallLog log = SampleLog();
    log.appListKey = "Voz\\..\\Other";  // would reach another entry
    EXPECT_EQ(Read(SampleData(log)).state, UninstallDataState::kDamaged);
}

// The log of the setups before content was recorded names its files alone.
TEST(UninstallData, AFirstLogIsReadWithItsFilesContentNotRecorded) {
    MemoryOutput body;
    for (uint32_t count : {0u, 0u, 2u}) {
        WritePackageU32(count, body);  // an empty key, no folder, then two files
    }
    WritePackageString("VozClient.exe", body);
    WritePackageString("Voz.ini", body);
    const UninstallData data = Read(Joined(TableBytes(SampleTable()), FramedLog(body.Bytes(), kFirstInstallLogMarker)));
    ASSERT_EQ(data.state, UninstallDataState::kSound);
    EXPECT_EQ(data.log.files, (std::vector<LoggedFile>{{"VozClient.exe"}, {"Voz.ini"}}));
}

TEST(UninstallData, AnAppListKeyWhoseCharacterEndsIn0x5CIsAKeyOfItsOwn) {
    // 昞 is 95 5C: the installation names the key after such a title, so the log must be read back.
    InstallLog log = SampleLog();
    log.appListKey = Gbk("期货昞");
    UninstallData data = Read(SampleData(log));
    EXPECT_EQ(data.state, UninstallDataState::kSound);
    EXPECT_EQ(data.log.appListKey, log.appListKey);
}

using Section = test::PeSection;
using test::PeProgram;

std::optional<uint64_t> ImageEnd(const std::vector<uint8_t>& bytes) {
    MemoryInput in(bytes.data(), bytes.size());
    return FindImageEnd(in);
}

TEST(ImageEnd, IsTheEndOfTheLastSectionOrOfTheCertificateTable) {
    EXPECT_EQ(ImageEnd(PeProgram({{0x400, 0x1000}, {0x1400, 0x200}})), 0x1600u);
    EXPECT_EQ(ImageEnd(PeProgram({{0x1400, 0x200}, {0x400, 0x1000}})), 0x1600u);  // in any order
    EXPECT_EQ(ImageEnd(PeProgram({{0x400, 0x1000}, {0x1400, 0}})), 0x1400u);      // an empty section ends nothing
    EXPECT_EQ(ImageEnd(PeProgram({{0x400, 0x1000}}, 0x10B, {0x1400, 0x588})), 0x1988u);
    EXPECT_EQ(ImageEnd(PeProgram({{0x400, 0x1000}}, 0x20B, {0x1400, 0x588})), 0x1988u);
    // Data appended after the image does not move its end.
    std::vector<uint8_t> appended = PeProgram({{0x400, 0x1000}});
    appended.resize(0x3000, 1);
    EXPECT_EQ(ImageEnd(appended), 0x1400u);
}

TEST(ImageEnd, HeadersThatAreNotAProgramOrPointOutsideTheFileGiveNothing) {
    std::vector<uint8_t> sound = PeProgram({{0x400, 0x1000}});
    auto changed = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> bytes = sound;
        std::memcpy(&bytes[at], &value, 4);
        return bytes;
    };
    EXPECT_FALSE(ImageEnd({}));
    EXPECT_FALSE(ImageEnd({'M', 'Z'}));
    EXPECT_FALSE(ImageEnd(changed(0, 0x905A4D4E)));                // not MZ
    EXPECT_FALSE(ImageEnd(changed(0x3C, 0xFFFFFFF0)));             // PE header beyond the end
    EXPECT_FALSE(ImageEnd(changed(0x80, 0x00004550 + 1)));         // no PE signature
    EXPECT_FALSE(ImageEnd(changed(0x86, 0)));                      // no sections
    EXPECT_FALSE(ImageEnd(changed(0x86, 0xFFFF)));                 // more sections than the file holds
    EXPECT_FALSE(ImageEnd(changed(0x98 + 224 + 16, 0xFFFFFFFF)));  // a section beyond the end
    std::vector<uint8_t> signedProgram = PeProgram({{0x400, 0x1000}}, 0x10B, {0x1400, 0x100});
    std::memcpy(&signedProgram[0x98 + 128], "\x00\xFF\xFF\xFF", 4);  // a certificate table beyond the end
    EXPECT_FALSE(ImageEnd(signedProgram));
}

TEST(UninstallData, IsFoundAfterTheProgramImageWhateverItsSize) {
    for (const std::vector<Section>& sections :
         {std::vector<Section>{{0x400, 0x600}}, {{0x400, 0x8000}, {0x8400, 0x200}}}) {
        std::vector<uint8_t> file = Joined(PeProgram(sections), SampleData());
        MemoryInput in(file.data(), file.size());
        UninstallData data = ReadUninstallData(in);
        EXPECT_EQ(data.state, UninstallDataState::kSound);
        EXPECT_EQ(data.log.files, SampleLog().files);
    }
    std::vector<uint8_t> bare = PeProgram({{0x400, 0x600}});
    MemoryInput in(bare.data(), bare.size());
    EXPECT_EQ(ReadUninstallData(in).state, UninstallDataState::kNoData);
    std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'r', 'o', 'g', 'r', 'a', 'm'};
    MemoryInput notProgram(text.data(), text.size());
    EXPECT_EQ(ReadUninstallData(notProgram).state, UninstallDataState::kNotAProgram);
}

TEST(Crc32, MatchesTheKnownCheckValue) {
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32("6789", 4, Crc32("12345", 5)), 0xCBF43926u);
}

}  // namespace
}  // namespace voz
