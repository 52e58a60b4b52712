#include <windows.h>

#include "os/text_encoding.h"

namespace voz::os {

namespace {

// Named explicitly so that the texts are right whatever the system's ANSI code page is.
constexpr UINT kGbkCodePage = 936;

// GBK text in UTF-16; flags MB_ERR_INVALID_CHARS makes an invalid sequence fail the whole text.
std::optional<std::wstring> GbkToWideWith(std::string_view gbk, DWORD flags) {
    if (gbk.empty()) {
        return std::wstring();
    }
    int n = MultiByteToWideChar(kGbkCodePage, flags, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kGbkCodePage, flags, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
    return out;
}

}  // namespace

std::optional<std::wstring> GbkToWide(std::string_view gbk) { return GbkToWideWith(gbk, MB_ERR_INVALID_CHARS); }

std::wstring GbkToWideShown(std::string_view gbk) { return GbkToWideWith(gbk, 0).value_or(std::wstring()); }

std::optional<std::string> WideToGbk(std::wstring_view wide) {
    if (wide.empty()) {
        return std::string();
    }
    BOOL lossy = FALSE;
    int n =
        WideCharToMultiByte(kGbkCodePage, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) {
        return std::nullopt;
    }
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kGbkCodePage, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::optional<std::wstring> Utf8ToWide(std::string_view utf8) {
    if (utf8.empty()) {
        return std::wstring();
    }
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (n <= 0) {
        return std::nullopt;
    }
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}

std::string WideToUtf8(std::wstring_view wide) {
    if (wide.empty()) {
        return std::string();
    }
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::optional<std::string> Utf8ToGbk(std::string_view utf8) {
    auto wide = Utf8ToWide(utf8);
    if (!wide) {
        return std::nullopt;
    }
    return WideToGbk(*wide);
}

std::optional<std::string> GbkToUtf8(std::string_view gbk) {
    auto wide = GbkToWide(gbk);
    if (!wide) {
        return std::nullopt;
    }
    return WideToUtf8(*wide);
}

}  // namespace voz::os
