#include "package/support_log.h"

#include <optional>

#include "os/text_encoding.h"
#include "os/text_parts.h"
#include "package/install_rules.h"

namespace voz {

namespace {

// Two digits of `value` at `at`.
void PutTwoDigits(char* at, unsigned value) {
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

}  // namespace

bool SupportLog::Open(const os::NativePath& path, bool continued) { return m_file.Open(path, !continued); }

os::NativePath SupportLog::OpenRequestedOrTemporary(const std::optional<os::NativePath>& requested,
                                                    std::string_view title, std::string_view suffix) {
    if (requested && !requested->empty() && Open(*requested)) {
        return *requested;
    }
    os::NativePath path;
    os::GbkToNative(LogFileName(title, suffix), path);  // the name passed the file-name rule: it is GBK
    path = os::TemporaryFolder() + path;
    Open(path);
    return path;
}

void SupportLog::Line(TextParts gbk) {
    std::string text = os::Joined(gbk);
    std::optional<std::string> utf8 = os::GbkToUtf8(text);
    if (!utf8) {
        for (char& c : text) {
            c = static_cast<unsigned char>(c) < 0x80 ? c : '?';
        }
    }
    Write(utf8 ? std::move(*utf8) : std::move(text));
}

void SupportLog::Utf8Line(TextParts utf8) { Write(os::Joined(utf8)); }

void SupportLog::Write(std::string line) {
    line += "\r\n";
    m_file.Write(line);
    m_copy.Write(line);
    m_text += line;
}

bool SupportLog::CopyTo(const os::NativePath& path) { return m_copy.Open(path, true) && m_copy.Write(m_text); }

std::string LogFileName(std::string_view title, std::string_view suffix) {
    std::string name = os::Joined({title, suffix});
    return !title.empty() && CheckName(NameKind::kFile, name) == NameCheck::kSafe ? name : os::Joined({"Voz", suffix});
}

TimeText::TimeText(const os::FileTime& time) : m_text{"0000-00-00 00:00:00"} {
    PutTwoDigits(m_text, time.wYear / 100);
    PutTwoDigits(m_text + 2, time.wYear);
    PutTwoDigits(m_text + 5, time.wMonth);
    PutTwoDigits(m_text + 8, time.wDay);
    PutTwoDigits(m_text + 11, time.wHour);
    PutTwoDigits(m_text + 14, time.wMinute);
    PutTwoDigits(m_text + 17, time.wSecond);
}

void LogFailure(SupportLog& log, const ExtractFailure& failure) {
    const bool hasDetail = !failure.detail.empty() || failure.error != 0;
    const bool hasError = failure.error != 0;
    log.Line({"failed: ", DescribeFailureKind(failure.kind), failure.path.empty() ? "" : ": ", failure.path,
              hasDetail ? " (" : "", hasError ? "error " : "",
              hasError ? os::Decimal(failure.error) : std::string_view(),
              hasError && !failure.detail.empty() ? ": " : "", failure.detail, hasDetail ? ")" : ""});
}

ExitCode LogExitCode(SupportLog& log, std::span<const ExitCodeMeaning> table, ExitCode code) {
    const ExitCodeMeaning& meaning = MeaningOf(table, code);
    log.Line(
        {"exit code ", os::Decimal(static_cast<uint32_t>(meaning.code)), " (", meaning.english, "): ", meaning.text});
    return code;
}

}  // namespace voz
