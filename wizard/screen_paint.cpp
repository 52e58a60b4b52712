#include "wizard/screen_paint.h"

#include <algorithm>

#include "resources/resource.h"
#include "ui/window.h"
#include "package/package_image.h"
#include "wizard/setup_app.h"
#include "wizard/text_layout.h"

namespace voz {

namespace {

constexpr wchar_t kScreenFontFace[] = L"\x5B8B\x4F53";  // 宋体
constexpr int kScreenFontTenthsOfPoint = 90;
constexpr double kLineSpacing = 1.5;

// A device context on a control with the screen font selected, transparent
// background and black text; everything is restored and released on exit.
class ScreenTextContext {
public:
    explicit ScreenTextContext(HWND control)
        : m_control(control),
          m_dc(GetDC(control)),
          m_font(ScreenTextFont(m_dc)),
          m_oldFont(SelectObject(m_dc, m_font)) {
        GetClientRect(control, &m_rect);
        m_oldMode = SetBkMode(m_dc, TRANSPARENT);
        m_oldColour = SetTextColor(m_dc, RGB(0, 0, 0));
    }
    ~ScreenTextContext() {
        SetTextColor(m_dc, m_oldColour);
        SetBkMode(m_dc, m_oldMode);
        SelectObject(m_dc, m_oldFont);
        DeleteObject(m_font);
        ReleaseDC(m_control, m_dc);
    }
    ScreenTextContext(const ScreenTextContext&) = delete;
    ScreenTextContext& operator=(const ScreenTextContext&) = delete;

    HDC dc() const { return m_dc; }
    RECT& rect() { return m_rect; }

private:
    HWND m_control;
    HDC m_dc;
    HFONT m_font;
    HGDIOBJ m_oldFont;
    int m_oldMode = 0;
    COLORREF m_oldColour = 0;
    RECT m_rect = {};
};

}  // namespace

HFONT ScreenTextFont(HDC dc) {
    const int height = -MulDiv(GetDeviceCaps(dc, LOGPIXELSY), kScreenFontTenthsOfPoint, 720);
    return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, kScreenFontFace);
}

void DrawPackageImage(HDC dc, const uint8_t* image, int32_t size) {
    std::optional<PackageImageView> view = ParsePackageImage(image, size > 0 ? static_cast<size_t>(size) : 0);
    if (!view) {
        return;
    }
    const DWORD rows = static_cast<DWORD>(view->height < 0 ? -view->height : view->height);
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(view->width), rows, 0, 0, 0, rows, view->pixels,
                      reinterpret_cast<const BITMAPINFO*>(view->infoHeader), DIB_RGB_COLORS);
}

void DrawWrappedText(HDC dc, const RECT& rect, std::string_view text, double factor) {
    TEXTMETRICW metrics;
    if (!GetTextMetricsW(dc, &metrics) || metrics.tmAveCharWidth <= 0) {
        return;
    }
    // A line holds as many GBK bytes as the width holds average characters. A
    // double-byte character takes two bytes, so where the font's ideographs
    // are wider than two average characters, half an ideograph counts as one
    // byte instead, and a full line of Chinese never runs past the area.
    SIZE ideograph = {};
    GetTextExtentPoint32W(dc, L"\x4E2D", 1, &ideograph);  // 中
    const int byteWidth = std::max<int>(metrics.tmAveCharWidth, (ideograph.cx + 1) / 2);
    const auto maxBytes = static_cast<size_t>((rect.right - rect.left) / byteWidth);
    const auto lineHeight = static_cast<int>(metrics.tmHeight * factor);
    if (lineHeight <= 0) {
        return;
    }
    const int lines = (rect.bottom - rect.top) / lineHeight;
    int y = 0;
    for (std::string_view line : WrapText(text, maxBytes, lines)) {
        // A line ends before its LF; the CR before it is not drawn, as fonts
        // with a glyph for it would show a box there.
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const std::wstring wide = ui::Wide(line);
        TextOutW(dc, 0, y, wide.c_str(), static_cast<int>(wide.size()));
        y += lineHeight;
    }
}

void PaintLabel(HWND control, std::string_view label) {
    ScreenTextContext context(control);
    const std::wstring wide = ui::Wide(label);
    DrawTextW(context.dc(), wide.c_str(), static_cast<int>(wide.size()), &context.rect(), 0);
}

void PaintScreenText(HWND control, std::string_view text) {
    ScreenTextContext context(control);
    DrawWrappedText(context.dc(), context.rect(), text, kLineSpacing);
}

bool HollowLabelBackground(HWND page, UINT message, LPARAM lParam, INT_PTR& result) {
    if (message != WM_CTLCOLORSTATIC || reinterpret_cast<HWND>(lParam) != GetDlgItem(page, IDC_LABEL)) {
        return false;
    }
    result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    return true;
}

void PaintScreen(HWND page, ScreenIndex screen, const char* label) {
    const CPackageInfo& package = TheApp().m_package;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(page, &paint);
    DrawPackageImage(dc, package.Image(screen), package.ImageSize(screen));
    if (label != nullptr) {
        PaintLabel(GetDlgItem(page, IDC_LABEL), label);
    }
    PaintScreenText(GetDlgItem(page, IDC_TEXT_AREA), package.Text(screen));
    EndPaint(page, &paint);
}

void FillScreenBackground(HWND window, HDC dc) {
    constexpr COLORREF kScreenBackground = RGB(235, 235, 235);
    RECT bounds;
    GetWindowRect(window, &bounds);
    RECT fill = {0, 0, bounds.right - bounds.left, bounds.bottom - bounds.top};
    HBRUSH background = CreateSolidBrush(kScreenBackground);
    FillRect(dc, &fill, background);
    DeleteObject(background);
}

}  // namespace voz
