// A package written out byte by byte, independently of the writer: the writer
// must produce exactly these bytes for the same content, and the loader must
// read every field from it, its file blocks decoding to known bytes. A
// misreading shared by the loader and the writer fails here.
#include <gtest/gtest.h>

#include <initializer_list>

#include "package/extract_support.h"
#include "package/package_loader.h"

namespace voz {
namespace {

// 2024-03-01 (a Friday, day 5) 15:09:30.500; every u16 little-endian.
constexpr PackageTime kTime{2024, 3, 5, 1, 15, 9, 30, 500};
constexpr std::initializer_list<uint8_t> kTimeBytes = {
    0xE8, 0x07,  // year 2024
    0x03, 0x00,  // month
    0x05, 0x00,  // day of week
    0x01, 0x00,  // day
    0x0F, 0x00,  // hour
    0x09, 0x00,  // minute
    0x1E, 0x00,  // second
    0xF4, 0x01,  // milliseconds 500
};

// "abababab" as one compressed block: literal 'a' (0 01100001), literal 'b'
// (0 01100010), then a match (1) of length 6 (prefix 110, value 01: 4 + 1 + 1)
// from offset 0 (one bit, 0), padded with zero bits to four bytes.
constexpr std::initializer_list<uint8_t> kAbabPayload = {0x30, 0x98, 0xB9, 0x00};

class Bytes {
public:
    Bytes& operator()(std::initializer_list<uint8_t> bytes) {
        m_bytes.insert(m_bytes.end(), bytes);
        return *this;
    }
    size_t size() const { return m_bytes.size(); }
    const std::vector<uint8_t>& bytes() const { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

struct Golden {
    std::vector<uint8_t> bytes;
    size_t fileDataAt;     // a.txt's first block header
    size_t uninstallerAt;  // the uninstaller's first block header
};

Golden GoldenPackage() {
    Bytes b;
    // Header.
    b({0x01, 0x00, 0x00, 0x00, 'T'});                      // title "T"
    b({0x03, 0x00, 0x00, 0x00, '1', '.', '0'});            // version "1.0"
    b({0x02, 0x00, 0x00, 0x00, 0xCE, 0xD6});               // company "沃" (GBK)
    b({0x04, 0x00, 0x00, 0x00, 'C', ':', '\\', 'T'});      // install folder "C:\T"
    b({0x05, 0x00, 0x00, 0x00, 'a', '.', 'e', 'x', 'e'});  // main program "a.exe"
    b({0x00, 0x00, 0x00, 0x00});                           // source folder ""
    b({0x02, 0x01, 0x00, 0x00});                           // default order software 258
    // Texts, in screen order: main "Hi" as a plain block (raw size = stored size), the others empty.
    b({0x06, 0x00, 0x00, 0x00});  // stored length 6
    b({0x02, 0x00, 0x02, 0x00});  // block: raw 2, stored 2
    b({'H', 'i'});
    for (int i = 1; i < kScreenCount; ++i) {
        b({0x00, 0x00, 0x00, 0x00});  // stored length 0: no blocks
    }
    // Images: welcome "BM" as a plain block, the others empty.
    b({0x00, 0x00, 0x00, 0x00});
    b({0x06, 0x00, 0x00, 0x00, 0x02, 0x00, 0x02, 0x00, 'B', 'M'});
    for (int i = 2; i < kScreenCount; ++i) {
        b({0x00, 0x00, 0x00, 0x00});
    }
    // Directory table.
    b({0x02, 0x00, 0x00, 0x00});                           // two folders
    b({0x00, 0x00, 0x00, 0x00});                           // folder 1: name "" (the install folder)
    b({0x01, 0x00, 0x00, 0x00});                           // one file
    b({0x05, 0x00, 0x00, 0x00, 'a', '.', 't', 'x', 't'});  // file "a.txt"
    b(kTimeBytes)(kTimeBytes)(kTimeBytes);                 // creation, last access, last write
    b({0x08, 0x00, 0x00, 0x00});                           // stored length 8
    const size_t fileDataAt = b.size();
    b({0x08, 0x00, 0x04, 0x00});  // block: raw 8, stored 4 (compressed)
    b(kAbabPayload);
    b({0x03, 0x00, 0x00, 0x00, 's', 'u', 'b'});  // folder 2: name "sub"
    b({0x01, 0x00, 0x00, 0x00});                 // one file
    b({0x01, 0x00, 0x00, 0x00, 'e'});            // file "e"
    b(kTimeBytes)(kTimeBytes)(kTimeBytes);
    b({0x00, 0x00, 0x00, 0x00});  // stored length 0: an empty file
    // Shortcut table.
    b({0x01, 0x00, 0x00, 0x00, 'G'});                      // program group "G"
    b({0x01, 0x00, 0x00, 0x00});                           // one shortcut
    b({0x05, 0x00, 0x00, 0x00, 'L', '.', 'l', 'n', 'k'});  // link name
    b({0x05, 0x00, 0x00, 0x00, 'a', '.', 't', 'x', 't'});  // target
    b({0x00, 0x00, 0x00, 0x00});                           // icon "": the target's
    b({0x01, 0x00, 0x00, 0x00});                           // place 1: the program group
    // Style-copy table.
    b({0x01, 0x00, 0x00, 0x00});                      // one copy
    b({0x01, 0x00, 0x00, 0x00, 's'});                 // source
    b({0x01, 0x00, 0x00, 0x00, 'd'});                 // destination
    b({0x04, 0x00, 0x00, 0x00, 'f', 'u', 'l', 'l'});  // style label
    // Remove table.
    b({0x01, 0x00, 0x00, 0x00});                 // one entry
    b({0x03, 0x00, 0x00, 0x00, 'o', 'l', 'd'});  // "old"
    // The uninstaller: "MZ" as a plain block.
    b({0x06, 0x00, 0x00, 0x00});
    const size_t uninstallerAt = b.size();
    b({0x02, 0x00, 0x02, 0x00, 'M', 'Z'});
    return {b.bytes(), fileDataAt, uninstallerAt};
}

// The same content as the packing tool assembles it.
PackageSource GoldenSource() {
    using test::Set;
    PackageSource package;
    CPackageInfo& p = package.record;
    Set(p.m_szTitle, "T");
    Set(p.m_szVersion, "1.0");
    Set(p.m_szCompany, "\xCE\xD6");
    Set(p.m_szInstallDir, "C:\\T");
    Set(p.m_szMainExe, "a.exe");
    p.m_nDefaultOrderSoftware = 258;
    p.m_strMainText = "Hi";
    StoreImage(p, kWelcomeScreen, {'B', 'M'});
    test::AddFolder(package, "", {test::File("a.txt", "abababab", kTime)});
    test::AddFolder(package, "sub", {test::File("e", "", kTime)});
    Set(p.m_szGroup, "G");
    p.m_shortcuts = {test::Shortcut("L.lnk", "a.txt", "", kPlaceGroup)};
    p.m_copies = {test::Copy("s", "d", "full")};
    p.m_removes = {test::Remove("old")};
    package.uninstaller = {'M', 'Z'};
    return package;
}

TEST(PackageGolden, WriterProducesTheseBytes) { EXPECT_EQ(test::Written(GoldenSource()), GoldenPackage().bytes); }

// Written again from what the loader read, the package gives the same bytes
// (the writer being right, every field was read as written), and the file
// and the uninstaller lie at the places counted out above.
TEST(PackageGolden, LoaderReadsEveryFieldAtItsPlace) {
    const Golden golden = GoldenPackage();
    CPackageInfo p;
    MemoryInput input(golden.bytes.data(), golden.bytes.size());
    LoadPackage(p, input, 0);
    EXPECT_STREQ(p.m_szCompany, "\xCE\xD6");
    EXPECT_EQ(p.m_nDefaultOrderSoftware, 258);
    EXPECT_EQ(p.m_dirs.at(0).files.at(0).nDataPos, static_cast<int32_t>(golden.fileDataAt));
    EXPECT_EQ(p.m_dirs[0].files[0].nDataSize, 8);
    EXPECT_EQ(p.m_dirs.at(1).files.at(0).nDataSize, 0);
    EXPECT_EQ(p.m_nUninstallerPos, static_cast<int32_t>(golden.uninstallerAt));
    EXPECT_EQ(p.m_nUninstallerSize, 6);
    EXPECT_STREQ(p.m_szUninstaller, kUninstallerName);
    EXPECT_EQ(test::Rewritten(std::move(p), golden.bytes, 0), golden.bytes);
}

}  // namespace
}  // namespace voz
