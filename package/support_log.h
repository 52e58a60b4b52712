// The support log: a UTF-8 text file of what one run of the setup or the
// uninstaller did, for a help desk to ask for. Every line is written whole as
// it happens (os/line_file.h), so a run killed at any point leaves a log that
// reads up to its last line. One thread writes at a time: the setup's worker
// only while the user-interface thread waits for the installation to end.
//
// A line is given as its parts, which are joined without separators.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "os/file_time.h"
#include "os/line_file.h"
#include "os/text_parts.h"
#include "package/exit_codes.h"
#include "package/extract_failure.h"

namespace voz {

using os::TextParts;

class SupportLog {
public:
    // Starts the log at `path`, emptying a file already there; `continued`
    // carries on a log that another process of the same run began. False,
    // and every line is then dropped, when the file cannot be opened.
    bool Open(const os::NativePath& path, bool continued = false);
    // Starts the log at `requested` when given and writable, else in the
    // temporary folder as LogFileName(title, suffix); the path it went to.
    os::NativePath OpenRequestedOrTemporary(const std::optional<os::NativePath>& requested, std::string_view title,
                                            std::string_view suffix);
    bool IsOpen() const { return m_file.IsOpen(); }
    // One line of GBK text; a byte sequence that is not GBK shows as '?'.
    void Line(TextParts gbk);
    // One line of UTF-8 text, such as a command line, which may hold any character.
    void Utf8Line(TextParts utf8);
    // From now on every line goes to `path` too, which begins with the lines so far.
    bool CopyTo(const os::NativePath& path);

private:
    void Write(std::string line);

    os::LineFile m_file;
    os::LineFile m_copy;
    std::string m_text;  // every line so far, for a copy begun later
};

// The log's file name: the title followed by `suffix`, or "Voz" in place of a
// title that is empty or cannot name a file.
std::string LogFileName(std::string_view title, std::string_view suffix);

// A date and time as "2024-12-07 20:05:13".
class TimeText {
public:
    explicit TimeText(const os::FileTime& time);
    operator std::string_view() const { return {m_text, sizeof m_text - 1}; }

private:
    char m_text[20];
};

// "failed: " with what went wrong, the item's path and the system's or the
// decoder's reason.
void LogFailure(SupportLog& log, const ExtractFailure& failure);

// "exit code N (English): " and the program's own text, from the program's
// table of exit codes; returns `code`, the run's last word.
ExitCode LogExitCode(SupportLog& log, std::span<const ExitCodeMeaning> table, ExitCode code);

}  // namespace voz
