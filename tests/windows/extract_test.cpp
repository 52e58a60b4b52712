// Installs a package with the Windows side of the installation engine: file
// times through SetFileTime, a style copy through CopyFile, a removal that
// leaves a read-only file, real shell links on the desktop and in the program
// group, and the uninstall data naming them. Prints "N passed, N failed".
//
// With "--keep LIST" the links and folders stay and LIST receives one line per
// link, "link|target|working folder|icon" (Windows paths, UTF-8), for the
// reader of .lnk files that checks their contents, then "CLEAN|folder" lines
// naming what to delete afterwards.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "check_tally.h"
#include "os/file.h"
#include "os/filesystem.h"
#include "os/shell.h"
#include "os/text_encoding.h"
#include "package/directory_removal.h"
#include "package/extract.h"
#include "package/uninstall_data.h"
#include "package/package_loader.h"

namespace {

using namespace voz;

using voz::test::Check;

std::string Gbk(const std::wstring& wide) { return os::WideToGbk(wide).value_or("?"); }
std::wstring Wide(const std::string& gbk) { return os::GbkToWide(gbk).value_or(L"?"); }
std::string Utf8(const std::wstring& wide) { return os::WideToUtf8(wide); }

// Package fields in the package's encoding; file contents as plain blocks.
struct PackageBytes {
    std::string bytes = std::string(kStubSize, '\0');
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<char>(v >> (8 * i)));
    }
    void Str(const std::string& s) {
        U32(static_cast<uint32_t>(s.size()));
        bytes += s;
    }
    void Blocks(const std::string& data) {  // raw size equal to stored size: plain blocks
        std::string seq;
        for (size_t at = 0; at < data.size(); at += 40000) {
            std::string block = data.substr(at, 40000);
            char n[2] = {static_cast<char>(block.size()), static_cast<char>(block.size() >> 8)};
            seq.append(n, 2).append(n, 2).append(block);
        }
        Str(seq);
    }
};

PackageTime Time(uint16_t year, uint16_t ms) { return PackageTime{year, 6, 0, 15, 8, 30, 15, ms}; }

struct TestFile {
    std::wstring dir, name;
    std::string content;
    PackageTime creation, access, write;
};
const std::vector<TestFile> kFiles = {
    {L"\u884c\u60c5\\\u4e0a\u6d77", L"cu.day", std::string(100000, 'c'), Time(2019, 4), Time(2020, 999),
     Time(2021, 250)},
    {L"\u884c\u60c5", L"index.dat", "index", Time(2018, 1), Time(2018, 2), Time(2018, 3)},  // parent after child
    {L"", L"VozClient.exe", "MZ client", Time(2017, 5), Time(2017, 6), Time(2017, 7)},
    {L"", L"Voz.ini", "default", Time(2017, 5), Time(2017, 6), Time(2017, 7)},
    {L"\u7f51\u7ad9", L"\u5b98\u7f51.url", "[InternetShortcut]\r\n", Time(2015, 3), Time(2015, 4), Time(2015, 5)},
    {L"\u914d\u7f6e", L"full.ini", "full", Time(2014, 1), Time(2014, 1), Time(2014, 1)},
};
const std::wstring kTitle = L"\u6c83\u5179\u6d4b\u8bd5";  // 沃兹测试
const std::wstring kGroup = L"\u6c83\u5179\u6d4b\u8bd5\u7ec4";
const std::wstring kConfig = L"\u914d\u7f6e";  // 配置
const std::string kUninstaller(30000, 'U');
struct LinkRecord {
    std::wstring link, target, icon;
    int place;
};
const std::vector<LinkRecord> kLinks = {
    {L"\u5378\u8f7d.lnk", L"", L"", kPlaceGroup},
    {kTitle + L".lnk", L"VozClient.exe", L"", kPlaceDesktop},
    {kTitle + L".lnk", L"VozClient.exe", L"", kPlaceGroup},
    {L"web.lnk", L"\u7f51\u7ad9\\\u5b98\u7f51.url", L"VozClient.exe", kPlaceDesktop},
    {L"none.lnk", L"VozClient.exe", L"", 2}};

std::string BuildSetup() {
    PackageBytes p;
    for (const std::wstring& s : {kTitle, std::wstring(L"V1.0"), std::wstring(L"Voz"), std::wstring(L"C:\\x"),
                                  std::wstring(L"VozClient.exe"), std::wstring(L"src")}) {
        p.Str(Gbk(s));
    }
    for (int i = 0; i < 1 + 2 * kScreenCount; ++i) p.U32(0);  // order software, empty texts and images
    std::vector<std::wstring> dirs;
    for (const auto& f : kFiles) {
        if (dirs.empty() || dirs.back() != f.dir) dirs.push_back(f.dir);
    }
    p.U32(static_cast<uint32_t>(dirs.size()));
    for (const auto& d : dirs) {
        p.Str(Gbk(d));
        p.U32(static_cast<uint32_t>(std::count_if(kFiles.begin(), kFiles.end(), [&](auto& f) { return f.dir == d; })));
        for (const auto& f : kFiles) {
            if (f.dir != d) continue;
            p.Str(Gbk(f.name));
            for (const PackageTime* t : {&f.creation, &f.access, &f.write})
                p.bytes.append(reinterpret_cast<const char*>(t), 16);
            p.Blocks(f.content);
        }
    }
    p.Str(Gbk(kGroup));
    p.U32(static_cast<uint32_t>(kLinks.size()));
    for (const auto& l : kLinks) {
        p.Str(Gbk(l.link));
        p.Str(Gbk(l.target));
        p.Str(Gbk(l.icon));
        p.U32(static_cast<uint32_t>(l.place));
    }
    p.U32(1);
    p.Str(Gbk(kConfig + L"\\full.ini"));
    p.Str("Voz.ini");
    p.Str("full");
    p.U32(1);
    p.Str(Gbk(kConfig));
    p.Blocks(kUninstaller);
    return p.bytes;
}

std::string ReadFile(const std::wstring& path) {
    os::InputFile in;
    std::string bytes;
    if (in.Open(path)) {
        bytes.resize(in.Size());
        in.Read(bytes.data(), bytes.size());
    }
    return bytes;
}

bool WriteFile(const std::wstring& path, const std::string& bytes) {
    os::OutputFile out;
    return out.Create(path) && out.Write(bytes.data(), bytes.size()) && out.Close();
}

bool SameTime(const FILETIME& a, const PackageTime& b) {
    SYSTEMTIME st;
    std::memcpy(&st, &b, sizeof st);
    FILETIME expected;
    return SystemTimeToFileTime(&st, &expected) && CompareFileTime(&a, &expected) == 0;
}

bool GetTimes(const std::wstring& path, FILETIME times[3]) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    bool ok = h != INVALID_HANDLE_VALUE && GetFileTime(h, &times[0], &times[1], &times[2]);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return ok;
}

// Wine on a Linux file system cannot keep a creation time that is set; Windows can.
bool CreationTimesKept(const std::wstring& folder) {
    std::wstring path = folder + L"\\probe.tmp";
    PackageTime creation = Time(2001, 0), other = Time(2002, 0);
    FILETIME times[3];
    bool kept = false;
    {
        os::OutputFile out;
        kept = out.Create(path) && out.SetTimes(creation, other, other) && out.Close() && GetTimes(path, times) &&
               SameTime(times[0], creation);
    }
    DeleteFileW(path.c_str());
    if (!kept) std::printf("note: this file system does not keep creation times; they are not checked\n");
    return kept;
}

// The next package string of the uninstall data.
std::string Take(const std::string& data, size_t& at) {
    if (at + 4 > data.size()) return "<end>";
    uint32_t n;
    std::memcpy(&n, data.data() + at, 4);
    at += 4 + n;
    return at <= data.size() ? data.substr(at - n, n) : "<end>";
}

}  // namespace

int main(int argc, char** argv) {
    const char* keepList = argc == 3 && std::strcmp(argv[1], "--keep") == 0 ? argv[2] : nullptr;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring work = temp + (L"voz_extract_" + std::to_wstring(GetCurrentProcessId()));
    const std::wstring installDir = work + L"\\" + kTitle;
    const std::wstring setupPath = work + L"\\setup.exe";
    CreateDirectoryW(work.c_str(), nullptr);
    Check(WriteFile(setupPath, BuildSetup()), "setup file written");
    const bool creationTimesKept = CreationTimesKept(work);

    // A read-only file that the removal of the style folder cannot delete.
    const std::wstring readOnly = installDir + L"\\" + kConfig + L"\\readonly.txt";
    CreateDirectoryW(installDir.c_str(), nullptr);
    CreateDirectoryW((installDir + L"\\" + kConfig).c_str(), nullptr);
    WriteFile(readOnly, "r");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);

    CPackageInfo package;
    LoadPackageFile(package, setupPath);
    Check(package.m_status.sound(), "package loads: " + package.m_status.reason);
    InstallChoice choice{*gbk::Path::From(Gbk(installDir)), "full"};
    std::vector<ExtractFailure> failures;
    int lastPercent = -1;
    {
        os::InputFile input;
        input.Open(setupPath);
        WindowsShell shell;
        ExtractOptions options;
        options.shell = &shell;
        options.progress = [&](int percent) { lastPercent = percent; };
        failures = ExtractPackage(package, input, choice, options).failures;
    }
    Check(lastPercent == 100, "progress reaches 100");
    Check(failures.size() == 2 && failures[0].kind == FailureKind::kDeleteFailed &&
              failures[1].kind == FailureKind::kRemoveFailed,
          "only the read-only file and its folder stay");
    Check(ReadFile(readOnly) == "r" && ReadFile(installDir + L"\\" + kConfig + L"\\full.ini").empty(),
          "the rest of the removed folder is gone");
    Check(ReadFile(installDir + L"\\Voz.ini") == "full", "the style copy replaced Voz.ini");

    for (const TestFile& f : kFiles) {
        if (f.dir == kConfig || f.name == L"Voz.ini") continue;
        std::wstring path = installDir + (f.dir.empty() ? L"" : L"\\" + f.dir) + L"\\" + f.name;
        FILETIME times[3];
        bool got = GetTimes(path, times);  // before reading, which may move the last-access time
        Check(got && (!creationTimesKept || SameTime(times[0], f.creation)), Utf8(path) + ": creation time");
        Check(got && SameTime(times[1], f.access) && SameTime(times[2], f.write), Utf8(path) + ": access, write times");
        Check(ReadFile(path) == f.content, Utf8(path) + ": content");
    }

    // The uninstaller, then its data naming each link made and the group.
    std::wstring desktop, programs;
    Check(os::GetSpecialFolder(kCsidlDesktop, desktop) && os::GetSpecialFolder(kCsidlPrograms, programs),
          "special folders known");
    const std::wstring group = programs + L"\\" + kGroup;
    const std::string data = ReadFile(installDir + L"\\" + Wide(kUninstallerName));
    size_t at = kUninstaller.size();
    Check(data.compare(0, at, kUninstaller) == 0, "uninstaller bytes come first");
    Check(Take(data, at) == Gbk(kTitle) && Take(data, at) == "V1.0", "uninstall data: title and version");
    Check(data.compare(at, 4, std::string("\x05\0\0\0", 4)) == 0, "uninstall data: shortcut count");
    at += 4;
    FILE* list = keepList != nullptr ? std::fopen(keepList, "wb") : nullptr;
    std::vector<std::wstring> made;
    for (const LinkRecord& l : kLinks) {
        std::string slot = Take(data, at);
        if (l.place != kPlaceDesktop && l.place != kPlaceGroup) {
            Check(slot.empty(), "a record with place 2 leaves an empty slot");
            continue;
        }
        std::wstring linkPath = (l.place == kPlaceDesktop ? desktop : group) + L"\\" + l.link;
        std::wstring target = installDir + L"\\" + (l.target.empty() ? Wide(kUninstallerName) : l.target);
        std::wstring icon = l.icon.empty() ? target : installDir + L"\\" + l.icon;
        std::wstring expected = target + L"|" + target.substr(0, target.rfind(L'\\')) + L"|" + icon;
        Check(slot == Gbk(linkPath), "uninstall data names " + Utf8(linkPath));
        Check(GetFileAttributesW(linkPath.c_str()) != INVALID_FILE_ATTRIBUTES, Utf8(linkPath) + " made");
        if (list != nullptr) std::fprintf(list, "%s|%s\n", Utf8(linkPath).c_str(), Utf8(expected).c_str());
        made.push_back(linkPath);
    }
    Check(Take(data, at) == Gbk(group), "uninstall data: the group folder ends the table");
    Check(data.compare(at, sizeof kInstallLogMarker, kInstallLogMarker, sizeof kInstallLogMarker) == 0,
          "the install log follows the table");

    if (list != nullptr) {
        std::fprintf(list, "CLEAN|%s\nCLEAN|%s\n", Utf8(group).c_str(), Utf8(work).c_str());
        std::fclose(list);
    } else {
        for (const auto& link : made) DeleteFileW(link.c_str());
        RemoveDirectoryW(group.c_str());
        SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::vector<ExtractFailure> ignored;
        RemoveDirectoryTree(Gbk(work), ignored);
    }
    return voz::test::ReportChecks();
}
