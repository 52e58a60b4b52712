#include "package/install_paths.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "os/filesystem.h"

namespace voz {

namespace {

bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }
bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Splits at real separator characters. False when a lead byte has no valid
// trail byte, which no GBK decoder would accept either.
bool SplitComponents(std::string_view gbk, std::vector<std::string_view>& parts) {
    size_t start = 0;
    for (size_t i = 0; i < gbk.size(); ++i) {
        auto c = static_cast<unsigned char>(gbk[i]);
        if (IsLeadByte(c)) {
            if (i + 1 >= gbk.size() || !IsTrailByte(static_cast<unsigned char>(gbk[i + 1]))) {
                return false;
            }
            ++i;
        } else if (IsSeparator(gbk[i])) {
            parts.push_back(gbk.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(gbk.substr(start));
    return true;
}

bool IsDeviceName(std::string_view name) {
    std::string base(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ') {
        base.pop_back();
    }
    std::transform(base.begin(), base.end(), base.begin(), [](char c) { return std::toupper(static_cast<unsigned char>(c)); });
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices) {
        if (base == device) {
            return true;
        }
    }
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '0' &&
           base[3] <= '9';
}

NameCheck CheckComponent(std::string_view part) {
    if (part.empty()) {
        return NameCheck::kBadCharacter;
    }
    if (part.find_first_not_of(". ") == std::string_view::npos) {
        return NameCheck::kLeavesFolder;
    }
    for (size_t i = 0; i < part.size(); ++i) {
        auto c = static_cast<unsigned char>(part[i]);
        if (IsLeadByte(c)) {
            ++i;  // the trail byte is part of a Chinese character, whatever its value
        } else if (c == ':') {
            return NameCheck::kLeavesFolder;
        } else if (c < 0x20 || c == '<' || c == '>' || c == '"' || c == '|' || c == '?' || c == '*') {
            return NameCheck::kBadCharacter;
        }
    }
    if (part.back() == '.' || part.back() == ' ') {
        return NameCheck::kTrailingDot;
    }
    if (IsDeviceName(part)) {
        return NameCheck::kDeviceName;
    }
    return NameCheck::kSafe;
}

}  // namespace

const char* DescribeNameCheck(NameCheck check) {
    switch (check) {
    case NameCheck::kSafe: return "the name is usable";
    case NameCheck::kEmpty: return "the name is empty";
    case NameCheck::kNotGbk: return "the name is not GBK text";
    case NameCheck::kLeavesFolder: return "the name leads out of its folder";
    case NameCheck::kBadCharacter: return "the name holds a character Windows does not allow";
    case NameCheck::kTrailingDot: return "the name ends in a dot or a space";
    case NameCheck::kDeviceName: return "the name is a Windows device name";
    }
    return "the name is not usable";
}

NameCheck CheckRelativePath(std::string_view gbk) {
    if (gbk.empty()) {
        return NameCheck::kEmpty;
    }
    std::vector<std::string_view> parts;
    if (!SplitComponents(gbk, parts)) {
        return NameCheck::kNotGbk;
    }
    if (parts.front().empty() && parts.size() > 1) {
        return NameCheck::kLeavesFolder;  // starts at the root of a drive or share
    }
    for (std::string_view part : parts) {
        if (NameCheck check = CheckComponent(part); check != NameCheck::kSafe) {
            return check;
        }
    }
    return NameCheck::kSafe;
}

size_t LastSeparator(std::string_view gbk) {
    size_t last = std::string_view::npos;
    for (size_t i = 0; i < gbk.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(gbk[i]))) {
            ++i;
        } else if (IsSeparator(gbk[i])) {
            last = i;
        }
    }
    return last;
}

std::optional<std::string> JoinPath(std::string_view base, std::string_view name) {
    size_t size = base.size() + (name.empty() ? 0 : 1 + name.size());
    if (size > kMaxPathBytes) {
        return std::nullopt;
    }
    std::string path(base);
    if (!name.empty()) {
        path += '\\';
        path += name;
    }
    return path;
}

bool ToNativePath(std::string_view gbk, os::NativePath& out) {
    if (!os::GbkToNative(gbk, out)) {
        return false;
    }
    // Converted text has no trail bytes left, so every backslash here is a real one.
    std::replace(out.begin(), out.end(), static_cast<os::NativePath::value_type>('\\'), os::kSeparator);
    return true;
}

}  // namespace voz
