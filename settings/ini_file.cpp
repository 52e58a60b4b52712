#include "settings/ini_file.h"

#include <algorithm>
#include <cerrno>

#include "os/file.h"
#include "os/gbk.h"
#include "os/replace_file.h"

namespace voz {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

bool IsBlank(char ch) {
    auto c = static_cast<unsigned char>(ch);
    return (c >= 0x09 && c <= 0x0D) || c == 0x1A || c == 0x20;
}

using gbk::CharLength;

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool NamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size();) {
        size_t len = CharLength(a, i);
        if (len != CharLength(b, i)) {
            return false;
        }
        if (len == 2 ? a.compare(i, 2, b, i, 2) != 0 : FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

bool HasLineBreakOrZero(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos; }

// True when the last byte of s is a GBK lead byte left without its trail byte:
// followed by ']' in a section line, the two would read as one character.
bool EndsInLoneLeadByte(std::string_view s) {
    size_t i = 0;
    size_t last = 1;
    while (i < s.size()) {
        last = CharLength(s, i);
        i += last;
    }
    return !s.empty() && last == 1 && gbk::IsLeadByte(static_cast<unsigned char>(s.back()));
}

// Names as the profile functions take them: surrounding blanks are ignored.
// A name is unusable when it is empty or holds a line break or a zero byte.
bool ValidSectionName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrZero(name) && !EndsInLoneLeadByte(name);
}

// A key name must also not read back as something else: a leading ';' would
// make its line a comment, a leading '[' possibly a section, and an '=' would
// end the name early.
bool ValidKeyName(std::string_view name) {
    return !name.empty() && !HasLineBreakOrZero(name) && name.front() != ';' && name.front() != '[' &&
           name.find('=') == name.npos;
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// Cuts text to at most limit bytes without splitting a double-byte character.
std::string_view CutToCharacters(std::string_view text, size_t limit) {
    size_t end = 0;
    while (end < text.size()) {
        size_t len = CharLength(text, end);
        if (end + len > limit) {
            break;
        }
        end += len;
    }
    return text.substr(0, end);
}

// The integer reading of the platform's profile functions (see GetInt).
uint32_t ParseInteger(std::string_view value) {
    size_t i = 0;
    while (i < value.size() && static_cast<unsigned char>(value[i]) <= ' ') {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    uint32_t base = 10;
    if (value.size() - i >= 2 && value[i] == '0') {
        switch (value[i + 1]) {
        case 'x': base = 16; break;
        case 'o': base = 8; break;
        case 'b': base = 2; break;
        default: break;
        }
        if (base != 10) {
            i += 2;
        }
    }
    uint32_t total = 0;
    for (; i < value.size(); ++i) {
        char c = value[i];
        uint32_t digit = base;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'z') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'Z') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        }
        if (digit >= base) {
            break;
        }
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

enum class LineKind { kBlank, kComment, kSection, kKey };

// One line of the file, as offsets into its text.
struct Line {
    size_t end = 0;   // where the line break starts (or the end of the text)
    size_t next = 0;  // where the next line starts
    LineKind kind = LineKind::kBlank;
    std::string_view name;  // section or key name, without surrounding blanks
    bool hasValue = false;  // a key line with '='
    size_t valueBegin = 0;  // the key's value, without surrounding blanks;
    size_t valueEnd = 0;    // for a key without '=', both are the end of its name
};

// Reads the line that starts at begin. nextLf is the position of the first LF
// at or after the previous line's start (npos when there is none); it is kept
// up to date here so that a file with CR line ends is not searched to its end
// for every line.
Line ReadLine(std::string_view text, size_t begin, size_t& nextLf) {
    Line line;
    if (nextLf != text.npos && nextLf < begin) {
        nextLf = text.find('\n', begin);
    }
    const size_t limit = nextLf == text.npos ? text.size() : nextLf;
    line.end = std::min(text.substr(0, limit).find('\r', begin), limit);
    if (line.end == text.size()) {
        line.next = line.end;
    } else {
        line.next = line.end + (text.compare(line.end, 2, kCrLf) == 0 ? 2 : 1);
    }
    size_t first = begin;
    while (first < line.end && IsBlank(text[first])) {
        ++first;
    }
    size_t last = line.end;
    while (last > first && IsBlank(text[last - 1])) {
        --last;
    }
    if (first == last) {
        return line;
    }
    if (text[first] == ';') {
        line.kind = LineKind::kComment;
        return line;
    }
    if (text[first] == '[') {
        size_t close = text.npos;
        for (size_t i = first + 1; i < last; i += CharLength(text, i)) {
            if (text[i] == ']') {
                close = i;
            }
        }
        if (close != text.npos) {
            line.kind = LineKind::kSection;
            line.name = Trim(text.substr(first + 1, close - first - 1));
            return line;
        }
    }
    line.kind = LineKind::kKey;
    std::string_view content = text.substr(first, last - first);
    size_t equals = content.find('=');
    line.hasValue = equals != content.npos;
    line.name = Trim(content.substr(0, equals));
    if (line.hasValue) {
        line.valueBegin = first + equals + 1;
        while (line.valueBegin < last && IsBlank(text[line.valueBegin])) {
            ++line.valueBegin;
        }
        line.valueEnd = last;
    } else {
        line.valueBegin = line.valueEnd = last;
    }
    return line;
}

}  // namespace

const char* DescribeIniStatus(IniStatus status) {
    switch (status) {
    case IniStatus::kOk: return "ok";
    case IniStatus::kReadFailed: return "the settings file could not be read";
    case IniStatus::kTooLarge: return "the settings file is too large to be an INI file";
    case IniStatus::kUnsupportedEncoding: return "the settings file is UTF-16 text, which is not edited";
    case IniStatus::kBadName: return "a section or key name cannot be stored in an INI file";
    case IniStatus::kBadValue: return "a value holds a line break or a zero byte";
    case IniStatus::kBadPath: return "the settings file's path is not valid GBK text";
    case IniStatus::kWriteFailed: return "the settings file could not be written; it is unchanged";
    }
    return "unknown status";
}

// Where a key is, or where it would go.
struct CIniFile::Lookup {
    bool sectionFound = false;
    bool keyFound = false;
    Line key;                       // the key's line, when found
    size_t insertAt = 0;            // after the section's last non-blank line
    bool insertNeedsBreak = false;  // that line is the file's last and has no line break
};

CIniFile::Lookup CIniFile::Find(std::string_view section, std::string_view key) const {
    Lookup found;
    bool inSection = false;
    size_t nextLf = m_text.find('\n', m_bodyStart);
    for (size_t pos = m_bodyStart; pos < m_text.size();) {
        Line line = ReadLine(m_text, pos, nextLf);
        pos = line.next;
        if (line.kind == LineKind::kSection) {
            if (found.sectionFound) {
                break;
            }
            inSection = NamesEqual(line.name, section);
            found.sectionFound = inSection;
        } else if (!inSection || line.kind == LineKind::kBlank) {
            continue;
        } else if (line.kind == LineKind::kKey && NamesEqual(line.name, key)) {
            found.keyFound = true;
            found.key = line;
            return found;
        }
        found.insertAt = line.next;
        found.insertNeedsBreak = line.next == line.end;
    }
    return found;
}

std::string_view CIniFile::LineBreak() const {
    size_t pos = m_text.find_first_of("\r\n", m_bodyStart);
    if (pos == m_text.npos) {
        return kCrLf;
    }
    if (m_text[pos] == '\n') {
        return "\n";
    }
    return m_text.compare(pos, 2, kCrLf) == 0 ? kCrLf : "\r";
}

IniStatus CIniFile::Parse(std::string bytes) {
    m_text.clear();
    m_bodyStart = 0;
    m_modified = false;
    if (bytes.size() > kMaxFileSize) {
        return IniStatus::kTooLarge;
    }
    if (bytes.size() >= 2 &&
        ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
        return IniStatus::kUnsupportedEncoding;
    }
    m_text = std::move(bytes);
    if (std::string_view(m_text).starts_with(kUtf8Bom)) {
        m_bodyStart = kUtf8Bom.size();
    }
    return IniStatus::kOk;
}

IniStatus CIniFile::Load(const os::NativePath& path) {
    Parse({});
    os::InputFile file;
    errno = 0;
    if (!file.Open(path)) {
        return errno == ENOENT ? IniStatus::kOk : IniStatus::kReadFailed;
    }
    if (file.Size() > kMaxFileSize) {
        return IniStatus::kTooLarge;
    }
    std::string bytes(static_cast<size_t>(file.Size()), '\0');
    if (file.Read(bytes.data(), bytes.size()) != bytes.size()) {
        return IniStatus::kReadFailed;
    }
    return Parse(std::move(bytes));
}

IniStatus CIniFile::Save(const os::NativePath& path) const {
    return os::ReplaceFileContents(path, m_text) ? IniStatus::kOk : IniStatus::kWriteFailed;
}

uint32_t CIniFile::GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const {
    section = Trim(section);
    key = Trim(key);
    if (!ValidSectionName(section) || !ValidKeyName(key)) {
        return static_cast<uint32_t>(defaultValue);
    }
    Lookup found = Find(section, key);
    if (!found.keyFound || !found.key.hasValue) {
        return static_cast<uint32_t>(defaultValue);
    }
    std::string_view value =
        Unquote(std::string_view(m_text).substr(found.key.valueBegin, found.key.valueEnd - found.key.valueBegin));
    return value.empty() ? static_cast<uint32_t>(defaultValue) : ParseInteger(value);
}

std::string CIniFile::GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                size_t bufferSize) const {
    if (bufferSize == 0) {
        return {};
    }
    section = Trim(section);
    key = Trim(key);
    std::string_view value;
    Lookup found;
    if (ValidSectionName(section) && ValidKeyName(key)) {
        found = Find(section, key);
    }
    if (found.keyFound && found.key.hasValue) {
        value =
            Unquote(std::string_view(m_text).substr(found.key.valueBegin, found.key.valueEnd - found.key.valueBegin));
    } else {
        value = defaultValue;
        while (!value.empty() && value.back() == ' ') {
            value.remove_suffix(1);
        }
    }
    return std::string(CutToCharacters(value, bufferSize - 1));
}

IniStatus CIniFile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    section = Trim(section);
    key = Trim(key);
    if (!ValidSectionName(section) || !ValidKeyName(key)) {
        return IniStatus::kBadName;
    }
    if (HasLineBreakOrZero(value)) {
        return IniStatus::kBadValue;
    }
    Lookup found = Find(section, key);
    const std::string_view lineBreak = LineBreak();
    if (found.keyFound) {
        const Line& line = found.key;
        if (line.hasValue &&
            std::string_view(m_text).substr(line.valueBegin, line.valueEnd - line.valueBegin) == value) {
            return IniStatus::kOk;
        }
        std::string replacement(line.hasValue ? "" : "=");
        replacement.append(value);
        m_text.replace(line.valueBegin, line.valueEnd - line.valueBegin, replacement);
    } else if (found.sectionFound) {
        std::string added = found.insertNeedsBreak ? std::string(lineBreak) : std::string();
        added.append(key).append("=").append(value).append(lineBreak);
        m_text.insert(found.insertAt, added);
    } else {
        if (m_text.size() > m_bodyStart && m_text.back() != '\n' && m_text.back() != '\r') {
            m_text.append(lineBreak);
        }
        m_text.append("[").append(section).append("]").append(lineBreak);
        m_text.append(key).append("=").append(value).append(lineBreak);
    }
    m_modified = true;
    return IniStatus::kOk;
}

}  // namespace voz
