// The painting shared by the welcome window and the first five wizard pages:
// one of the package's images at the top-left corner, on three pages a label
// above the input field, and the screen's text wrapped into the white-framed
// area (control 1027). All texts use ScreenTextFont in black on a transparent
// background.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "package/package_format.h"

namespace voz {

// The painted texts' font: 宋体, 9 points on the device. The caller deletes it.
HFONT ScreenTextFont(HDC dc);

// Draws a package image (a complete BMP file) at its own size with its
// top-left corner at (0, 0) of the device; an image that cannot be drawn
// safely is left out.
void DrawPackageImage(HDC dc, const uint8_t* image, int32_t size);

// Draws a GBK text line by line from (0, 0): as many bytes per line as the
// rectangle's width holds average characters (half-ideographs, where those
// are wider), lines `factor` character heights apart, as many lines as the
// rectangle's height holds.
void DrawWrappedText(HDC dc, const RECT& rect, std::string_view text, double factor);

// Paints a one-line label into a control, left- and top-aligned, unwrapped.
void PaintLabel(HWND control, std::string_view label);
// Paints a screen's text into its text area control, wrapped, 1.5 lines apart.
void PaintScreenText(HWND control, std::string_view text);

// Answers a page's colour query for its label area (control 1008): nothing
// is filled behind the label, so the label painted over the package image
// stays visible when the control draws itself. True when the query was for
// the label.
bool HollowLabelBackground(HWND page, UINT message, LPARAM lParam, INT_PTR& result);

// Fills a window with the screens' grey background. The whole window's size
// from the client's corner covers the client area.
void FillScreenBackground(HWND window, HDC dc);

// Paints one wizard page in answer to WM_PAINT: the screen's package image at
// the page's top-left corner, the label (if any) into control 1008 and the
// screen's text into control 1027.
void PaintScreen(HWND page, ScreenIndex screen, const char* label);

}  // namespace voz
