// Differential test of the INI engine against the Windows private-profile
// functions. Generated INI files (odd spacing, duplicate keys and sections,
// empty values, signs and text in values, comments, keys without '=',
// missing sections, CR LF, LF and CR line ends, byte order marks, GBK names)
// are written twice; the same reads and writes are applied to one copy with
// GetPrivateProfileIntA, GetPrivateProfileStringA and WritePrivateProfileStringA
// and to the other with CIniFile. The read results must agree, and the two
// resulting files must read the same through the platform's functions; where
// the file starts in the layout the platform writes, they must be identical.
//
// Deliberate differences (the engine's side of each is covered by the unit
// tests; those that can be compared with the platform are checked in
// KnownDifferences() below):
// - Layout: the platform may rewrite the whole file in its own layout
//   (CR LF, no blanks around '=', blank lines dropped); the engine changes
//   only the line of the key it writes and keeps the file's line ends,
//   because the client's Voz.ini must keep every other line byte for byte.
// - Bytes that are not valid GBK: the platform converts the file to UTF-16
//   and back and so replaces them; the engine never re-encodes anything.
// - Long values: the platform reads an integer from only the first 29
//   characters of the value; the engine reads the whole value.
// - Text cut to the buffer: the engine never splits a double-byte character
//   and keeps every character that fits. The platform here may leave a stray
//   byte at the cut, and drops one character more when a value in quotation
//   marks exactly fills the buffer.
// - Names the engine refuses (kBadName, reads give the default): empty ones,
//   keys beginning with ';' or '[' or holding '=', names with line breaks,
//   section names ending in half a double-byte character. The platform reads
//   comment lines as keys and lines before the first section as a section
//   without name; no such name can be written to the file safely.
// - Leading blanks of a written value: the platform drops them, the engine
//   stores the value as given; both read back the same trimmed value.
// - Blanks around a written name: the platform trims them for the lookup but
//   writes a new key or section with the trailing ones (" ta " gives
//   "[ta ]"); the engine writes the trimmed name. Both read them alike.
// - UTF-16 files: the platform reads them, the engine reports
//   kUnsupportedEncoding and leaves them alone. A UTF-8 byte order mark is
//   understood by both, but the platform then converts between UTF-8 in the
//   file and GBK in the calls, while the engine reads and writes the bytes
//   as they are (so only ASCII is written into such files below).
// - Saving: the engine writes a temporary file and renames it over the old
//   one (MoveFileExW), so a failed save leaves the old file whole.
// - Case: both compare only ASCII letters without regard to case. Windows
//   documents the match only as case-insensitive; its Unicode comparison may
//   also fold full-width, Greek and Cyrillic letters, which no Voz.ini name uses.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "check_tally.h"
#include "os/file.h"
#include "os/native_path.h"
#include "os/text_encoding.h"
#include "settings/ini_file.h"
#include "settings/settings_commit.h"

namespace {

using voz::CIniFile;
using voz::IniStatus;

using voz::test::Check;
std::string g_folder;  // the working folder, as GBK text

std::string Show(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char hex[8];
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return "[" + out + "]";
}

voz::os::NativePath Native(const std::string& gbkPath) {
    voz::os::NativePath path;
    voz::os::GbkToNative(gbkPath, path);
    return path;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    voz::os::OutputFile out;
    Check(out.Create(Native(path)) && out.Write(bytes.data(), bytes.size()) && out.Close(), "written: " + path);
}

std::string ReadBytes(const std::string& path) {
    voz::os::InputFile in;
    std::string bytes;
    if (in.Open(Native(path))) {
        bytes.resize(in.Size());
        bytes.resize(in.Read(bytes.data(), bytes.size()));
    }
    return bytes;
}

std::string PlatformString(const std::string& path, const std::string& section, const std::string& key,
                           const char* defaultValue, DWORD bufferSize) {
    std::vector<char> buffer(bufferSize + 1, '\0');
    DWORD n =
        GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue, buffer.data(), bufferSize, path.c_str());
    return std::string(buffer.data(), n);
}

uint32_t PlatformInt(const std::string& path, const std::string& section, const std::string& key, int def) {
    return GetPrivateProfileIntA(section.c_str(), key.c_str(), def, path.c_str());
}

std::vector<std::string> SplitZeroList(const std::vector<char>& buffer, DWORD n) {
    std::vector<std::string> items;
    for (DWORD i = 0; i < n;) {
        std::string item(buffer.data() + i);
        i += static_cast<DWORD>(item.size()) + 1;
        items.push_back(item);
    }
    return items;
}

// The file as the platform sees it: each section name with its key=value entries.
std::vector<std::string> PlatformView(const std::string& path) {
    std::vector<char> buffer(1 << 16);
    std::vector<std::string> view;
    DWORD n = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    for (const std::string& name : SplitZeroList(buffer, n)) {
        view.push_back("[" + name + "]");
        std::vector<char> entries(1 << 16);
        DWORD m =
            GetPrivateProfileSectionA(name.c_str(), entries.data(), static_cast<DWORD>(entries.size()), path.c_str());
        for (const std::string& entry : SplitZeroList(entries, m)) {
            view.push_back(entry);
        }
    }
    return view;
}

std::string Join(const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) {
        out += Show(item);
    }
    return out;
}

// GBK names and values (written as bytes: this source file is UTF-8).
const std::string kTest = "\xB2\xE2\xCA\xD4";  // 测试
const std::string kKey = "\xBC\xFC";           // 键
const std::string kValue = "\xD6\xB5";         // 值
const std::string kUpA = "\x81\x41";           // 丄, trail byte 'A'
const std::string kLowA = "\x81\x61";          // 乤, trail byte 'a'

// What the generated files hold, and what is asked of them.
const std::vector<std::string> kFileSections = {"SYSTEM", "system", "TA", "QLRT", kTest, kUpA, "Sys tem"};
const std::vector<std::string> kFileKeys = {"ScrollPeriod", "scrollperiod", "ScrollQuot", "k", "Today", kKey, "K"};
const std::vector<std::string> kFileValues = {"1",     "0",    "2",     "-3",      "+4",   "",     "abc",
                                              "12abc", " 7 ",  "\"5\"", "'6'",     "0x1F", "0o17", "0b101",
                                              "Yes",   "yes",  "No",    "\"Yes\"", kValue, "- 5",  "4294967297",
                                              "-1",    "\"\"", "\"x",   "a b c",   "5\"",  "1.5"};
const std::vector<std::string> kAskedSections = {"SYSTEM", " ta ", "qlrt", kTest, kUpA, kLowA, "Missing", "sys tem"};
const std::vector<std::string> kAskedKeys = {"ScrollPeriod", "SCROLLQUOT", "k", "today", kKey, "Missing", " k "};
const std::vector<std::string> kWrittenSections = {"SYSTEM", " ta ", "qlrt", kTest, "NEW", "Sys Tem"};
const std::vector<std::string> kWrittenValues = {"1",    "0",   "Yes",   "No",  "15", "4294967295",
                                                 kValue, "a b", "\"q\"", "x=y", ""};

// A random entry of the pool; ASCII only for a file with a byte order mark,
// which the platform reads and writes as UTF-8, and GBK bytes are not.
const std::string& Pick(std::mt19937& rng, const std::vector<std::string>& pool, bool asciiOnly) {
    for (;;) {
        const std::string& s = pool[rng() % pool.size()];
        if (!asciiOnly ||
            std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
            return s;
        }
    }
}

struct GeneratedFile {
    std::string bytes;
    bool platformLayout = false;  // already as the platform writes files
    bool bom = false;             // begins with a UTF-8 byte order mark
};

GeneratedFile Generate(std::mt19937& rng) {
    GeneratedFile out;
    out.platformLayout = rng() % 3 == 0;
    out.bom = !out.platformLayout && rng() % 8 == 0;
    const bool bom = out.bom;
    const char* const kBreaks[] = {"\r\n", "\n", "\r\n", "\n", "\r"};
    const std::string lineBreak = out.platformLayout ? "\r\n" : kBreaks[rng() % 5];
    auto pick = [&](const std::vector<std::string>& pool) { return Pick(rng, pool, bom); };
    auto keyLine = [&]() {
        std::string key = pick(kFileKeys);
        std::string value = pick(kFileValues);
        if (out.platformLayout) {
            while (!value.empty() && (value.front() == ' ' || value.back() == ' ')) {
                value = pick(kFileValues);
            }
            return key + "=" + value;
        }
        const char* const kSpaced[] = {"%k=%v", "%k = %v", "\t%k\t=\t%v\t", "  %k=%v  ", "%k =%v"};
        std::string line = kSpaced[rng() % 5];
        line.replace(line.find("%k"), 2, key);
        line.replace(line.find("%v"), 2, value);
        return line;
    };
    std::vector<std::string> lines;
    if (rng() % 4 == 0) {
        lines.push_back(keyLine());  // before any section
    }
    const int sections = static_cast<int>(rng() % 5);
    for (int s = 0; s < sections; ++s) {
        std::string name = pick(kFileSections);
        const char* const kHeaders[] = {"[%s]", " [%s] ", "[ %s ]", "[%s] after"};
        std::string header = out.platformLayout ? "[%s]" : kHeaders[rng() % 4];
        header.replace(header.find("%s"), 2, name);
        lines.push_back(header);
        const int count = static_cast<int>(rng() % 6);
        for (int i = 0; i < count; ++i) {
            switch (rng() % 10) {
            case 0: lines.push_back("; comment"); break;
            case 1: lines.push_back("; k=9"); break;
            case 2: lines.push_back("orphan"); break;
            case 3: lines.push_back("[broken"); break;
            case 4:
                if (!out.platformLayout) {
                    lines.push_back(rng() % 2 ? "" : "   ");
                    break;
                }
                [[fallthrough]];
            default: lines.push_back(keyLine()); break;
            }
        }
    }
    out.bytes = bom ? "\xEF\xBB\xBF" : "";
    for (size_t i = 0; i < lines.size(); ++i) {
        out.bytes += lines[i];
        if (i + 1 < lines.size() || out.platformLayout || rng() % 4 != 0) {
            out.bytes += lineBreak;
        }
    }
    return out;
}

// Asks the same questions of the platform on platformPath and, on otherPath,
// of the engine or, with platformOnBoth, of the platform again.
void CompareReads(const std::string& label, const std::string& platformPath, const std::string& otherPath,
                  bool platformOnBoth) {
    CIniFile engine;
    Check(engine.Load(Native(otherPath)) == IniStatus::kOk, label + ": engine loads");
    for (const std::string& section : kAskedSections) {
        for (const std::string& key : kAskedKeys) {
            const std::string what = label + " " + Show(section) + Show(key);
            uint32_t expectedInt = PlatformInt(platformPath, section, key, -77);
            uint32_t otherInt =
                platformOnBoth ? PlatformInt(otherPath, section, key, -77) : engine.GetInt(section, key, -77);
            Check(expectedInt == otherInt,
                  what + " int " + std::to_string(expectedInt) + " vs " + std::to_string(otherInt));
            for (DWORD size : {64u, 8u}) {
                std::string expectedText = PlatformString(platformPath, section, key, "No  ", size);
                std::string otherText = platformOnBoth ? PlatformString(otherPath, section, key, "No  ", size)
                                                       : engine.GetString(section, key, "No  ", size);
                Check(expectedText == otherText, what + " text " + Show(expectedText) + " vs " + Show(otherText));
            }
        }
    }
}

void RunGeneratedCases(int count) {
    std::mt19937 rng(20240611);
    for (int n = 0; n < count; ++n) {
        GeneratedFile file = Generate(rng);
        const std::string label = "case " + std::to_string(n) + " " + Show(file.bytes);
        const std::string platformPath = g_folder + "\\case" + std::to_string(n) + "_platform.ini";
        const std::string enginePath = g_folder + "\\case" + std::to_string(n) + "_engine.ini";
        WriteBytes(platformPath, file.bytes);
        WriteBytes(enginePath, file.bytes);
        CompareReads(label, platformPath, enginePath, false);

        const int writes = 1 + static_cast<int>(rng() % 5);
        std::string applied;
        bool paddedName = false;
        for (int w = 0; w < writes; ++w) {
            const std::string section = Pick(rng, kWrittenSections, file.bom);
            const std::string key = Pick(rng, kAskedKeys, file.bom);
            const std::string value = Pick(rng, kWrittenValues, file.bom);
            paddedName = paddedName || section.front() == ' ' || key.front() == ' ';
            applied += " " + Show(section) + Show(key) + "=" + Show(value);
            WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), platformPath.c_str());
            CIniFile engine;
            bool ok = engine.Load(Native(enginePath)) == IniStatus::kOk &&
                      engine.SetString(section, key, value) == IniStatus::kOk &&
                      (!engine.Modified() || engine.Save(Native(enginePath)) == IniStatus::kOk);
            Check(ok, label + applied + ": engine writes");
        }
        const std::string written = label + " after" + applied;
        CompareReads(written, platformPath, enginePath, false);
        // The engine's file must mean to the platform what the platform's own file means.
        CompareReads(written + " (platform reading the engine's file)", platformPath, enginePath, true);
        const std::vector<std::string> platformView = PlatformView(platformPath);
        const std::vector<std::string> engineView = PlatformView(enginePath);
        Check(platformView == engineView,
              written + ": same sections and keys " + Join(platformView) + " vs " + Join(engineView));
        const std::string platformBytes = ReadBytes(platformPath);
        const std::string engineBytes = ReadBytes(enginePath);
        Check(!file.platformLayout || paddedName || platformBytes == engineBytes,
              written + ": identical files " + Show(platformBytes) + " vs " + Show(engineBytes));
        DeleteFileW(Native(platformPath).c_str());
        DeleteFileW(Native(enginePath).c_str());
    }
}

// Each file the platform reads gets a name of its own: it caches files by name
// and time of last change, and would not see a change within the same tick.
void KnownDifferences() {
    CIniFile engine;

    // Leading blanks of a written value: stored as given, read back trimmed by both.
    const std::string blanks = g_folder + "\\blanks.ini";
    DeleteFileW(Native(blanks).c_str());
    Check(engine.Parse("") == IniStatus::kOk && engine.SetString("S", "k", "  5") == IniStatus::kOk &&
              engine.Save(Native(blanks)) == IniStatus::kOk,
          "blanks: engine writes");
    Check(ReadBytes(blanks) == "[S]\r\nk=  5\r\n" && PlatformString(blanks, "S", "k", "", 20) == "5" &&
              engine.GetString("S", "k", "", 20) == "5",
          "blanks: same value read back");
    DeleteFileW(Native(blanks).c_str());

    // UTF-16: refused, and left alone.
    const std::string utf16Path = g_folder + "\\utf16.ini";
    const char kUtf16[] =
        "\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0"
        "5\0\r\0\n\0";
    const std::string utf16(kUtf16, sizeof kUtf16 - 1);
    WriteBytes(utf16Path, utf16);
    Check(PlatformInt(utf16Path, "S", "k", -1) == 5, "UTF-16: the platform reads it");
    Check(engine.Load(Native(utf16Path)) == IniStatus::kUnsupportedEncoding && engine.Bytes().empty(),
          "UTF-16: the engine refuses it");
    DeleteFileW(Native(utf16Path).c_str());

    // A failed save leaves the old file whole and no temporary file behind.
    const std::string folderAsFile = g_folder + "\\occupied.ini";
    CreateDirectoryW(Native(folderAsFile).c_str(), nullptr);
    Check(engine.Parse("[S]\r\nk=1\r\n") == IniStatus::kOk &&
              engine.Save(Native(folderAsFile)) == IniStatus::kWriteFailed,
          "save over a folder fails");
    Check(GetFileAttributesW(Native(folderAsFile + ".setup-tmp").c_str()) == INVALID_FILE_ATTRIBUTES,
          "failed save leaves no temporary file");
    Check((GetFileAttributesW(Native(folderAsFile).c_str()) & FILE_ATTRIBUTE_DIRECTORY) != 0,
          "failed save leaves the folder");
    RemoveDirectoryW(Native(folderAsFile).c_str());

    // Case: full-width letters are compared exactly by both.
    const std::string fullWidthPath = g_folder + "\\fullwidth.ini";
    const std::string fullWidth = "[\xA3\xC1]\r\nk=1\r\n";  // Ａ
    WriteBytes(fullWidthPath, fullWidth);
    Check(engine.Parse(fullWidth) == IniStatus::kOk &&
              engine.GetInt("\xA3\xE1", "k", -1) == PlatformInt(fullWidthPath, "\xA3\xE1", "k", -1),
          "case: full-width letters");
    DeleteFileW(Native(fullWidthPath).c_str());
}

// The settings file operations in a folder with a Chinese name, read back
// through the platform's functions.
void SettingsCommit() {
    const std::string folder = g_folder + "\\" + "\xC6\xDA\xBB\xF5";  // 期货
    CreateDirectoryW(Native(folder).c_str(), nullptr);
    const std::string vozIni = voz::SettingsFilePath(folder, voz::kSettingsFileName);
    const std::string secondIni = voz::SettingsFilePath(folder, voz::kSecondSettingsFileName);
    WriteBytes(vozIni, "; client\r\n[SYSTEM]\r\nScrollQuot=Yes\r\nScrollPeriod=0\r\nWindowLeft=12\r\n");

    voz::CClientSettings settings;
    Check(voz::LoadClientSettings(settings, folder) == IniStatus::kOk && settings.ScrollQuot == 1 &&
              settings.HLDisplayRate == 15,
          "commit: Voz.ini loaded");
    Check(voz::WriteMainTrade(folder, 1) == IniStatus::kOk && PlatformInt(secondIni, "SYSTEM", "MainTrade", -1) == 1,
          "commit: MainTrade written");
    settings.TabBarDock = 0;
    Check(voz::SaveClientSettings(settings, folder) == IniStatus::kOk, "commit: Voz.ini saved");
    // Voz.ini is read by the platform only now, after the engine's last write.
    Check(PlatformInt(vozIni, "SYSTEM", "MainTrade", -1) == static_cast<uint32_t>(-1),
          "commit: MainTrade not in Voz.ini");
    Check(PlatformString(vozIni, "SYSTEM", "ScrollQuot", "", 20) == "No" &&
              PlatformInt(vozIni, "SYSTEM", "TabBarDock", -1) == 0 &&
              PlatformInt(vozIni, "SYSTEM", "WindowLeft", -1) == 12 &&
              PlatformInt(vozIni, "TA", "ShowKLinePixel", -1) == 8,
          "commit: the platform reads the saved keys");
    size_t keys = 0;
    for (const std::string& entry : PlatformView(vozIni)) {
        keys += entry.front() != '[' ? 1 : 0;
    }
    Check(keys == 73 + 1, "commit: 73 keys and the client's own");
    DeleteFileW(Native(vozIni).c_str());
    DeleteFileW(Native(secondIni).c_str());
    RemoveDirectoryW(Native(folder).c_str());
}

}  // namespace

int main() {
    // A folder of this run's own, so that runs side by side do not share files.
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    auto gbk =
        voz::os::WideToGbk(std::wstring(current) + L"\\ini_differential_" + std::to_wstring(GetCurrentProcessId()));
    if (!gbk) {
        std::printf("the working folder's name is not GBK\n");
        return 1;
    }
    g_folder = *gbk;
    CreateDirectoryW(Native(g_folder).c_str(), nullptr);

    RunGeneratedCases(200);
    KnownDifferences();
    SettingsCommit();

    RemoveDirectoryW(Native(g_folder).c_str());
    return voz::test::ReportChecks();
}
