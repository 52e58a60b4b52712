// Installs a package with the Windows side of the installation engine: files
// with their three times through SetFileTime, a style copy through CopyFile,
// a removal through FindFirstFile that leaves a read-only file, real shell
// links on the desktop and in the program group, and the uninstall data that
// names them. Prints "N passed, N failed".
//
// With "--keep LIST" the links, the group and the install folder are left in
// place and LIST receives one line per link, "link|target|working folder|icon"
// as Windows paths in UTF-8, for a reader of .lnk files to check afterwards,
// then "CLEAN|folder" lines naming what to delete when done.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "os/file.h"
#include "os/filesystem.h"
#include "os/shell.h"
#include "os/text_encoding.h"
#include "package/directory_removal.h"
#include "package/extract.h"
#include "package/package_loader.h"

namespace {

using namespace voz;

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const std::string& what) {
    if (ok) {
        ++g_passed;
    } else {
        ++g_failed;
        std::printf("FAILED: %s\n", what.c_str());
    }
}

std::string Gbk(const std::wstring& wide) { return os::WideToGbk(wide).value_or("?"); }
std::wstring Wide(const std::string& gbk) { return os::GbkToWide(gbk).value_or(L"?"); }
std::string Utf8(const std::wstring& wide) {
    std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
    out.pop_back();
    return out;
}

// A package written field by field, file contents as plain blocks.
class PackageBytes {
public:
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Str(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        bytes.insert(bytes.end(), s.begin(), s.end());
    }
    void Time(const PackageTime& t) {
        const auto* p = reinterpret_cast<const uint8_t*>(&t);
        bytes.insert(bytes.end(), p, p + sizeof t);
    }
    void Blocks(const std::string& data) {
        std::vector<uint8_t> seq;
        for (size_t at = 0; at < data.size(); at += 40000) {
            size_t n = std::min<size_t>(40000, data.size() - at);
            for (int i = 0; i < 2; ++i) {  // raw size equal to stored size: a plain block
                seq.push_back(static_cast<uint8_t>(n));
                seq.push_back(static_cast<uint8_t>(n >> 8));
            }
            seq.insert(seq.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
        }
        U32(static_cast<uint32_t>(seq.size()));
        bytes.insert(bytes.end(), seq.begin(), seq.end());
    }
    std::vector<uint8_t> bytes;
};

struct TestFile {
    std::string dir;  // GBK
    std::string name;
    std::string content;
    PackageTime creation, access, write;
};

PackageTime Time(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t ms) {
    return PackageTime{year, month, 0, day, hour, 30, 15, ms};
}

const std::string kTitle = Gbk(L"\u6c83\u5179\u6d4b\u8bd5");  // 沃兹测试
const std::string kGroup = Gbk(L"\u6c83\u5179\u6d4b\u8bd5\u7ec4");  // 沃兹测试组
const std::string kConfig = Gbk(L"\u914d\u7f6e");  // 配置
const std::string kFullStyle = Gbk(L"\u5168\u529f\u80fd\u7248");  // 全功能版
const std::string kUninstallerBytes(30000, 'U');

struct LinkRecord {
    std::string link;
    std::string target;
    std::string icon;
    int place;
};

std::vector<TestFile> Files() {
    const std::string web = Gbk(L"\u7f51\u7ad9");  // 网站
    const std::string market = Gbk(L"\u884c\u60c5\u6570\u636e");  // 行情数据
    return {
        {market + "\\" + Gbk(L"\u4e0a\u6d77"), "cu.day", std::string(100000, 'c'), Time(2019, 1, 2, 3, 4),
         Time(2020, 2, 29, 23, 999), Time(2021, 12, 31, 0, 250)},
        {market, "index.dat", "index", Time(2018, 6, 1, 8, 0), Time(2018, 6, 2, 8, 0), Time(2018, 6, 3, 8, 0)},
        {"", "VozClient.exe", "MZ client", Time(2017, 5, 5, 5, 5), Time(2017, 5, 6, 5, 5), Time(2017, 5, 7, 5, 5)},
        {"", "Voz.ini", "default", Time(2017, 5, 5, 5, 5), Time(2017, 5, 6, 5, 5), Time(2017, 5, 7, 5, 5)},
        {"", Gbk(L"\u7a7a.txt"), "", Time(2016, 1, 1, 1, 1), Time(2016, 1, 1, 1, 1), Time(2016, 1, 1, 1, 1)},
        {web, Gbk(L"\u5b98\u65b9\u7f51\u7ad9.url"), "[InternetShortcut]\r\nURL=http://example.com/\r\n",
         Time(2015, 3, 3, 3, 3), Time(2015, 3, 4, 3, 3), Time(2015, 3, 5, 3, 3)},
        {kConfig, Gbk(L"\u5168\u529f\u80fdVoz.ini"), "full", Time(2014, 1, 1, 1, 1), Time(2014, 1, 1, 1, 1),
         Time(2014, 1, 1, 1, 1)},
    };
}

std::vector<LinkRecord> Links() {
    return {{Gbk(L"\u5378\u8f7d\u6c83\u5179.lnk"), "", "", kPlaceGroup},  // 卸载沃兹.lnk
            {kTitle + ".lnk", "VozClient.exe", "", kPlaceDesktop},
            {kTitle + ".lnk", "VozClient.exe", "", kPlaceGroup},
            {Gbk(L"\u5b98\u7f51.lnk"), Gbk(L"\u7f51\u7ad9\\\u5b98\u65b9\u7f51\u7ad9.url"), "VozClient.exe", kPlaceDesktop},
            {Gbk(L"\u65e0.lnk"), "VozClient.exe", "", 2}};
}

std::vector<uint8_t> BuildSetup() {
    PackageBytes p;
    p.bytes.assign(kStubSize, 0);
    for (const std::string& s : {kTitle, std::string("V1.0"), std::string("Voz"), std::string("C:\\x"),
                                 std::string("VozClient.exe"), std::string("src")}) {
        p.Str(s);
    }
    p.U32(0);
    for (int i = 0; i < 2 * kScreenCount; ++i) {
        p.U32(0);  // empty texts and images
    }
    // Files grouped by folder in the order above: the nested folder comes before its parent.
    std::vector<TestFile> files = Files();
    std::vector<std::string> dirs;
    for (const auto& f : files) {
        if (std::find(dirs.begin(), dirs.end(), f.dir) == dirs.end()) dirs.push_back(f.dir);
    }
    p.U32(static_cast<uint32_t>(dirs.size()));
    for (const auto& d : dirs) {
        p.Str(d);
        uint32_t count = 0;
        for (const auto& f : files) count += f.dir == d;
        p.U32(count);
        for (const auto& f : files) {
            if (f.dir != d) continue;
            p.Str(f.name);
            p.Time(f.creation);
            p.Time(f.access);
            p.Time(f.write);
            p.Blocks(f.content);
        }
    }
    p.Str(kGroup);
    std::vector<LinkRecord> links = Links();
    p.U32(static_cast<uint32_t>(links.size()));
    for (const auto& l : links) {
        p.Str(l.link);
        p.Str(l.target);
        p.Str(l.icon);
        p.U32(static_cast<uint32_t>(l.place));
    }
    p.U32(1);
    p.Str(kConfig + "\\" + Gbk(L"\u5168\u529f\u80fdVoz.ini"));
    p.Str("Voz.ini");
    p.Str(kFullStyle);
    p.U32(1);
    p.Str(kConfig);
    p.Blocks(kUninstallerBytes);
    return p.bytes;
}

bool WriteFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    os::OutputFile out;
    return out.Create(path) && out.Write(bytes.data(), bytes.size()) && out.Close();
}

std::string ReadFile(const std::wstring& path) {
    os::InputFile in;
    if (!in.Open(path)) return "<missing>";
    std::string bytes(in.Size(), '\0');
    in.Read(bytes.data(), bytes.size());
    return bytes;
}

bool SameTime(const FILETIME& a, const PackageTime& b) {
    SYSTEMTIME st;
    std::memcpy(&st, &b, sizeof st);
    FILETIME expected;
    return SystemTimeToFileTime(&st, &expected) && CompareFileTime(&a, &expected) == 0;
}

bool g_creationTimesKept = true;

// Wine on a Linux file system cannot keep a creation time that is set; Windows can.
void ProbeCreationTimes(const std::wstring& folder) {
    std::wstring path = folder + L"\\probe.tmp";
    WriteFile(path, {'p'});
    PackageTime t{2001, 2, 0, 3, 4, 5, 6, 0};
    PackageTime other{2002, 2, 0, 3, 4, 5, 6, 0};
    os::SetFileTimes(path, t, other, other);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME c{};
    g_creationTimesKept = h != INVALID_HANDLE_VALUE && GetFileTime(h, &c, nullptr, nullptr) && SameTime(c, t);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    DeleteFileW(path.c_str());
    if (!g_creationTimesKept) {
        std::printf("note: this file system does not keep creation times; they are not checked\n");
    }
}

void CheckTimes(const std::wstring& path, const TestFile& f, const std::string& what) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME c{}, a{}, w{};
    bool got = h != INVALID_HANDLE_VALUE && GetFileTime(h, &c, &a, &w);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    if (g_creationTimesKept) {
        Check(got && SameTime(c, f.creation), what + ": creation time");
    }
    Check(got && SameTime(a, f.access), what + ": last-access time");
    Check(got && SameTime(w, f.write), what + ": last-write time");
}

// Reads a link back through the shell-link object.
struct ReadLink {
    std::wstring target, workingFolder, icon;
    bool ok = false;
};
ReadLink LoadLink(const std::wstring& path) {
    ReadLink r;
    IShellLinkW* link = nullptr;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
        wchar_t buf[MAX_PATH];
        int index = -1;
        r.ok = SUCCEEDED(link->GetPath(buf, MAX_PATH, nullptr, 0));
        r.target = buf;
        r.ok = r.ok && SUCCEEDED(link->GetWorkingDirectory(buf, MAX_PATH));
        r.workingFolder = buf;
        r.ok = r.ok && SUCCEEDED(link->GetIconLocation(buf, MAX_PATH, &index)) && index == 0;
        r.icon = buf;
    }
    if (file) file->Release();
    if (link) link->Release();
    return r;
}

// Reads a package string from the uninstall data.
std::string Take(const std::string& data, size_t& at) {
    if (at + 4 > data.size()) return "<end>";
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n |= static_cast<uint32_t>(static_cast<uint8_t>(data[at + i])) << (8 * i);
    at += 4;
    if (at + n > data.size()) return "<end>";
    std::string s = data.substr(at, n);
    at += n;
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const char* keepList = argc == 3 && std::strcmp(argv[1], "--keep") == 0 ? argv[2] : nullptr;
    CoInitialize(nullptr);

    wchar_t tempBuf[MAX_PATH];
    GetTempPathW(MAX_PATH, tempBuf);
    const std::wstring work = std::wstring(tempBuf) + L"voz_extract_" + std::to_wstring(GetCurrentProcessId());
    const std::wstring installDir = work + L"\\" + Wide(kTitle);
    CreateDirectoryW(work.c_str(), nullptr);
    const std::wstring setupPath = work + L"\\setup.exe";
    Check(WriteFile(setupPath, BuildSetup()), "setup file written");
    ProbeCreationTimes(work);

    // A read-only file that the removal of the style folder cannot delete.
    CreateDirectoryW(installDir.c_str(), nullptr);
    CreateDirectoryW((installDir + L"\\" + Wide(kConfig)).c_str(), nullptr);
    const std::wstring readOnly = installDir + L"\\" + Wide(kConfig) + L"\\readonly.txt";
    WriteFile(readOnly, {'r'});
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);

    static CPackageInfo package;
    LoadPackageFile(package, setupPath);
    Check(package.m_status.sound(), "package loads: " + package.m_status.where + " " + package.m_status.reason);
    std::string installGbk = Gbk(installDir);
    std::memcpy(package.m_szInstallDir, installGbk.c_str(), installGbk.size() + 1);
    std::memcpy(package.m_szStyle, kFullStyle.c_str(), kFullStyle.size() + 1);

    std::vector<ExtractFailure> failures;
    int lastPercent = -1;
    {
        os::InputFile input;
        Check(input.Open(setupPath), "setup file opens");
        WindowsShell shell;
        ExtractOptions options;
        options.shell = &shell;
        options.progress = [&](int percent) { lastPercent = percent; };
        failures = ExtractPackage(package, input, options);
    }
    Check(lastPercent == 100, "progress reaches 100");

    // Only the read-only file and its folder stay.
    Check(failures.size() == 2, "two failures, got " + std::to_string(failures.size()));
    for (const auto& f : failures) {
        Check(f.kind == FailureKind::kDeleteFailed || f.kind == FailureKind::kRemoveFailed,
              "failure is the read-only file or its folder: " + Utf8(Wide(f.path)) + " " + DescribeFailureKind(f.kind));
    }
    Check(GetFileAttributesW(readOnly.c_str()) != INVALID_FILE_ATTRIBUTES, "read-only file stays");
    Check(GetFileAttributesW((installDir + L"\\" + Wide(kConfig) + L"\\" + Wide(Gbk(L"\u5168\u529f\u80fdVoz.ini"))).c_str()) ==
              INVALID_FILE_ATTRIBUTES,
          "the rest of the removed folder is gone");

    for (const TestFile& f : Files()) {
        if (f.dir == kConfig) continue;
        std::wstring path = installDir + (f.dir.empty() ? L"" : L"\\" + Wide(f.dir)) + L"\\" + Wide(f.name);
        std::string what = Utf8(Wide(f.dir + "\\" + f.name));
        if (f.name == "Voz.ini") {
            Check(ReadFile(path) == "full", "style copy replaced Voz.ini");
            continue;
        }
        CheckTimes(path, f, what);  // before reading, which may move the last-access time
        Check(ReadFile(path) == f.content, what + ": content");
    }

    // Links, and the uninstall data that names them.
    std::wstring desktop, programs;
    Check(os::GetSpecialFolder(kCsidlDesktop, desktop) && os::GetSpecialFolder(kCsidlPrograms, programs),
          "special folders known");
    const std::wstring group = programs + L"\\" + Wide(kGroup);
    std::string uninstaller = ReadFile(installDir + L"\\" + Wide(kUninstallerName));
    Check(uninstaller.compare(0, kUninstallerBytes.size(), kUninstallerBytes) == 0, "uninstaller bytes come first");
    size_t at = kUninstallerBytes.size();
    Check(Take(uninstaller, at) == kTitle, "uninstall data: title");
    Check(Take(uninstaller, at) == "V1.0", "uninstall data: version");
    Check(uninstaller.compare(at, 4, std::string("\x05\x00\x00\x00", 4)) == 0, "uninstall data: shortcut count");
    at += 4;

    FILE* list = keepList != nullptr ? std::fopen(keepList, "wb") : nullptr;
    std::vector<std::wstring> made;
    for (const LinkRecord& l : Links()) {
        std::string slot = Take(uninstaller, at);
        if (l.place != kPlaceDesktop && l.place != kPlaceGroup) {
            Check(slot.empty(), "place 2 leaves an empty slot");
            continue;
        }
        std::wstring linkPath = (l.place == kPlaceDesktop ? desktop : group) + L"\\" + Wide(l.link);
        Check(slot == Gbk(linkPath), "uninstall data names " + Utf8(linkPath));
        std::wstring target = installDir + L"\\" + Wide(l.target.empty() ? std::string(kUninstallerName) : l.target);
        std::wstring icon = l.icon.empty() ? target : installDir + L"\\" + Wide(l.icon);
        std::wstring working = target.substr(0, target.rfind(L'\\'));
        ReadLink r = LoadLink(linkPath);
        Check(r.ok, Utf8(linkPath) + ": link reads back");
        Check(_wcsicmp(r.target.c_str(), target.c_str()) == 0, Utf8(linkPath) + ": target " + Utf8(r.target));
        Check(_wcsicmp(r.workingFolder.c_str(), working.c_str()) == 0,
              Utf8(linkPath) + ": working folder " + Utf8(r.workingFolder));
        Check(_wcsicmp(r.icon.c_str(), icon.c_str()) == 0, Utf8(linkPath) + ": icon " + Utf8(r.icon));
        if (list != nullptr) {
            std::fprintf(list, "%s|%s|%s|%s\n", Utf8(linkPath).c_str(), Utf8(target).c_str(), Utf8(working).c_str(),
                         Utf8(icon).c_str());
        }
        made.push_back(linkPath);
    }
    Check(Take(uninstaller, at) == Gbk(group), "uninstall data ends with the group folder");
    Check(at == uninstaller.size(), "nothing follows the group folder");

    if (list != nullptr) {
        // The reader of the links removes them, the group and the work folder afterwards.
        std::fprintf(list, "CLEAN|%s\nCLEAN|%s\n", Utf8(group).c_str(), Utf8(work).c_str());
        std::fclose(list);
    } else {
        for (const auto& link : made) DeleteFileW(link.c_str());
        RemoveDirectoryW(group.c_str());
        SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::vector<ExtractFailure> ignored;
        RemoveDirectoryTree(Gbk(work), ignored);
    }
    std::printf("%d passed, %d failed\n", g_passed, g_failed);
    return g_failed == 0 ? 0 : 1;
}
