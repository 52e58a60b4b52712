// The data the installation appends to the uninstaller's program file: first
// the uninstall table (title, version, one link path per shortcut record, the
// program group's path), whose layout older uninstallers read and which
// therefore never changes, then the install log: every folder and file the
// installation owns, each file with its size and CRC-32 as written where the
// setup knew them, framed by a marker, its length and a CRC-32 so that its
// presence and integrity can be checked.
//
// The uninstaller finds the data where its own program image ends: after the
// last section's raw data, or after the certificate table when the program
// was signed before it was packed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package/byte_stream.h"

namespace voz {

struct UninstallTable {
    std::string title;
    std::string version;
    std::vector<std::string> links;  // full paths, one per shortcut record; empty for a record that made no link
    std::string group;               // the program group's full path
};

// A file's content as the installation wrote it, to tell later whether the
// file is still as installed.
struct FileContent {
    uint64_t size = 0;
    uint32_t crc = 0;

    bool operator==(const FileContent&) const = default;
};

// An owned file. Its content is not recorded for the files the setup writes
// after the log (its settings files) and for files owned since a log that
// recorded none.
struct LoggedFile {
    std::string path;
    std::optional<FileContent> content;

    bool operator==(const LoggedFile&) const = default;
};

// Paths are relative to the install folder, GBK, with backslashes; the
// folder "" is the install folder itself.
struct InstallLog {
    std::string appListKey;  // the app-list entry's key name; empty when none was written
    std::vector<std::string> folders;
    std::vector<LoggedFile> files;
};

// The marker of the log as written now, and of the first log, which names
// files without their content and is still read.
inline constexpr char kInstallLogMarker[8] = {'V', 'o', 'z', 'L', 'o', 'g', '2', '\n'};
inline constexpr char kFirstInstallLogMarker[8] = {'V', 'o', 'z', 'L', 'o', 'g', '\r', '\n'};
// Each file's path in the log is followed by one of these; a recorded
// content then follows as the size's low and high u32 and the CRC-32.
inline constexpr uint8_t kContentNotRecorded = 0;
inline constexpr uint8_t kContentRecorded = 1;
// A log larger than this is taken for damage rather than read into memory.
inline constexpr uint32_t kMaxInstallLogBytes = 64u << 20;

// The uninstall table in its layout (package_layout.h), which never changes.
bool WriteUninstallTable(const UninstallTable& table, OutputStream& out);
bool WriteInstallLog(const InstallLog& log, OutputStream& out);

// Where the program image of a PE file ends; nothing when the stream is not a
// PE file or its headers point beyond the end of the stream.
std::optional<uint64_t> FindImageEnd(InputStream& program);

enum class UninstallDataState {
    kSound,        // table and log
    kNoLog,        // a sound table and nothing after it: an installation by an older setup
    kNotAProgram,  // the file is not a PE program
    kNoData,       // nothing follows the program image
    kDamaged,      // the table or the log is cut short, breaks a limit or fails its checksum
};

struct UninstallData {
    UninstallDataState state = UninstallDataState::kNoData;
    UninstallTable table;
    InstallLog log;
};

// Reads the uninstall table and the install log appended to a program file.
UninstallData ReadUninstallData(InputStream& program);
// Reads them from `offset` to the end of the stream.
UninstallData ReadUninstallDataAt(InputStream& program, uint64_t offset);

}  // namespace voz
