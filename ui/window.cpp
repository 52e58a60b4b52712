#include "ui/window.h"

#include <vector>

#include "os/text_encoding.h"

namespace voz::ui {

std::wstring Wide(std::string_view gbk) { return os::GbkToWideShown(gbk); }

bool ToGbk(std::wstring_view wide, std::string& gbk) {
    std::optional<std::string> converted = os::WideToGbk(wide);
    gbk = converted.value_or(std::string());
    return converted.has_value();
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
