// An INI file engine that reads and writes the client's settings files the way
// the Windows private-profile functions do, on every platform and without ever
// re-encoding the file's GBK bytes.
//
// File layout, as the profile functions understand it:
// - A line ends at LF, CR LF or a lone CR. Blanks (tab, LF, VT, FF, CR, space
//   and the DOS end-of-file mark 0x1A) around names and values are ignored.
// - A line whose first non-blank character is '[' and that holds a ']' opens
//   a section; the name lies between the '[' and the last ']' of the line.
// - A line whose first non-blank character is ';' is a comment.
// - Any other non-blank line holds a key: the name up to the first '=', the
//   value after it. A line without '=' names a key that has no value.
// - Lines before the first section belong to no section and are never read.
// - Section and key names match without regard to the case of ASCII letters.
//   Double-byte GBK characters are compared exactly, so a trail byte that
//   happens to equal a letter or a bracket is never taken for one.
// - Only the first section of a name counts, and within it the first key.
// - A UTF-8 byte order mark is skipped for reading and kept for writing.
//
// Every edit touches only the line of the key concerned (or adds lines), so
// comments, unknown keys, blank lines and line ends stay as the file had them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "os/native_path.h"

namespace voz {

enum class IniStatus {
    kOk,
    kReadFailed,           // the file exists but could not be read
    kTooLarge,             // the file is larger than CIniFile::kMaxFileSize
    kUnsupportedEncoding,  // UTF-16 text, which this engine does not edit
    kBadName,              // a section or key name that cannot be stored in the file
    kBadValue,             // a value holding a line break or a zero byte
    kBadPath,              // a path text that is not valid GBK
    kWriteFailed,          // the new content could not be written; the old file is unchanged
};

const char* DescribeIniStatus(IniStatus status);

class CIniFile {
public:
    // Settings files are a few kilobytes; anything this large is not one.
    static constexpr size_t kMaxFileSize = size_t{16} << 20;

    // Takes the bytes of a file. On failure the content is left empty.
    IniStatus Parse(std::string bytes);

    // Reads a file. A missing file reads as an empty one (kOk); a file that
    // exists but cannot be read, or is not an INI file this engine edits,
    // leaves the content empty and reports why.
    IniStatus Load(const os::NativePath& path);

    // Replaces the file with the current content atomically; on failure the
    // file on disk keeps its old content.
    IniStatus Save(const os::NativePath& path) const;

    // The unsigned 32-bit value of the integer that begins the key's value,
    // or defaultValue when the section or key is missing or the value is
    // empty. As the platform's function reads it: a leading '+' or '-' is
    // taken as the sign ("-5" gives 4294967291); a lower-case prefix "0x",
    // "0o" or "0b" after it selects base 16, 8 or 2; reading stops at the
    // first character that is not a digit of the base, so a value that does
    // not begin with a digit ("abc", "-", "- 5") gives 0; overflow wraps
    // modulo 2^32. A value in matching quotation marks is read inside them.
    uint32_t GetInt(std::string_view section, std::string_view key, int32_t defaultValue) const;

    // The key's value as the platform's function copies it into a buffer of
    // bufferSize bytes: without surrounding blanks and without one pair of
    // matching quotation marks, cut to at most bufferSize - 1 bytes (never
    // inside a double-byte character). A key without value, a missing key
    // or a missing section gives defaultValue without its trailing spaces.
    std::string GetString(std::string_view section, std::string_view key, std::string_view defaultValue,
                          size_t bufferSize) const;

    // Sets the key's value: the old value is replaced in place, or a line
    // "key=value" is added after the last non-blank line of the section, or
    // the section is added at the end of the file. New lines end as the
    // file's first line does (CR LF for a new file). The value is stored
    // as given.
    IniStatus SetString(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes, as loaded and edited.
    const std::string& Bytes() const { return m_text; }
    // True when SetString changed the content since it was loaded.
    bool Modified() const { return m_modified; }

private:
    struct Lookup;
    Lookup Find(std::string_view section, std::string_view key) const;
    std::string_view LineBreak() const;

    std::string m_text;
    size_t m_bodyStart = 0;  // after the byte order mark, when there is one
    bool m_modified = false;
};

}  // namespace voz
