// Feeds arbitrary files, names and values to the INI engine. Besides staying
// inside its buffers, the engine must read back what it wrote and leave other
// keys alone. (The settings record, which reads and writes every one of its
// keys, has its own target.)
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/ini_file.h"

namespace {

using voz::CIniFile;
using voz::IniStatus;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsBlank(char ch) {
    auto c = static_cast<unsigned char>(ch);
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

std::string Trim(std::string s) {
    while (!s.empty() && IsBlank(s.back())) {
        s.pop_back();
    }
    size_t first = 0;
    while (first < s.size() && IsBlank(s[first])) {
        ++first;
    }
    return s.substr(first);
}

// Whether two names might be the same for the engine: equal after folding
// every ASCII letter byte. (The engine folds only whole single-byte
// characters, so names it takes for the same are always equal here too.)
bool MaybeSameName(const std::string& a, const std::string& b) {
    std::string x = Trim(a);
    std::string y = Trim(b);
    if (x.size() != y.size()) {
        return false;
    }
    for (size_t i = 0; i < x.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (fold(x[i]) != fold(y[i])) {
            return false;
        }
    }
    return true;
}

// A value that a read gives back unchanged: no blanks around it, not in quotation marks.
bool ReadsBackAsWritten(const std::string& value) {
    if (value.empty()) {
        return true;
    }
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return !IsBlank(value.front()) && !IsBlank(value.back()) && !quoted;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(24);
    const std::string key = input.ConsumeRandomLengthString(24);
    const std::string value = input.ConsumeRandomLengthString(48);
    const std::string otherSection = input.ConsumeRandomLengthString(24);
    const std::string otherKey = input.ConsumeRandomLengthString(24);
    const size_t bufferSize = input.ConsumeIntegralInRange<size_t>(0, 64);
    const std::string text = input.ConsumeRemainingBytesAsString();

    CIniFile ini;
    if (ini.Parse(text) != IniStatus::kOk) {
        return 0;
    }
    Require(ini.Bytes() == text);

    const std::string read = ini.GetString(section, key, "default", bufferSize);
    Require(bufferSize == 0 ? read.empty() : read.size() < bufferSize);
    ini.GetInt(section, key, -1);

    const std::string otherBefore = ini.GetString(otherSection, otherKey, "<none>", 256);
    if (ini.SetString(section, key, value) != IniStatus::kOk) {
        Require(ini.Bytes() == text);
        return 0;
    }
    if (ReadsBackAsWritten(value)) {
        Require(ini.GetString(section, key, "<none>", value.size() + 1) == value);
    }
    if (!MaybeSameName(section, otherSection) || !MaybeSameName(key, otherKey)) {
        Require(ini.GetString(otherSection, otherKey, "<none>", 256) == otherBefore);
    }
    return 0;
}
