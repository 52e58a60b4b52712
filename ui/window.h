// A small dialog framework over the Win32 API: windows built from dialog
// templates, modal dialogs, and property pages shown by a wizard-mode
// property sheet of the common controls. Texts pass through it as GBK and go
// to Windows as UTF-16, converted with code page 936 named explicitly, so they
// are right whatever the system's ANSI code page is.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace voz::ui {

// GBK text as UTF-16. Bytes that are not GBK show as the replacement character.
std::wstring Wide(std::string_view gbk);
// UTF-16 text as GBK; nothing when a character has no GBK form.
bool ToGbk(std::wstring_view wide, std::string& gbk);

// The module the resources come from.
HINSTANCE Instance();

// A GBK message box.
int MessageBoxGbk(HWND owner, std::string_view text, std::string_view caption, UINT type);

// A window created from a dialog template: a dialog or a property page.
class Window {
public:
    HWND Handle() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

    void SetText(std::string_view gbk);
    void SetItemText(int id, std::string_view gbk);
    // The window text of a control as GBK; false when a character has no GBK form.
    bool ItemText(int id, std::string& gbk) const;

protected:
    Window() = default;
    ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND m_hWnd = nullptr;
};

// Sets the window's large and small caption icon.
void SetWindowIcon(HWND window, HICON icon);

}  // namespace voz::ui
