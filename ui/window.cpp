#include "ui/window.h"

#include <vector>

namespace voz::ui {

namespace {

constexpr UINT kGbkCodePage = 936;

}  // namespace

std::wstring Wide(std::string_view gbk) {
    if (gbk.empty()) {
        return {};
    }
    const int size = static_cast<int>(gbk.size());
    const int n = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), size, wide.data(), n);
    }
    return wide;
}

bool ToGbk(std::wstring_view wide, std::string& gbk) {
    gbk.clear();
    if (wide.empty()) {
        return true;
    }
    const int size = static_cast<int>(wide.size());
    BOOL lossy = FALSE;
    const int n = WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) {
        return false;
    }
    gbk.resize(static_cast<size_t>(n));
    WideCharToMultiByte(kGbkCodePage, 0, wide.data(), size, gbk.data(), n, nullptr, nullptr);
    return true;
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

int MessageBoxGbk(HWND owner, std::string_view text, std::string_view caption, UINT type) {
    return MessageBoxW(owner, Wide(text).c_str(), Wide(caption).c_str(), type);
}

void Window::SetText(std::string_view gbk) { SetWindowTextW(m_hWnd, Wide(gbk).c_str()); }

void Window::SetItemText(int id, std::string_view gbk) { SetDlgItemTextW(m_hWnd, id, Wide(gbk).c_str()); }

bool Window::ItemText(int id, std::string& gbk) const {
    HWND item = Item(id);
    const int length = GetWindowTextLengthW(item);
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(item, buffer.data(), length + 1);
    return ToGbk(std::wstring_view(buffer.data(), static_cast<size_t>(got > 0 ? got : 0)), gbk);
}

void SetWindowIcon(HWND window, HICON icon) {
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

}  // namespace voz::ui
