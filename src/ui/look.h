#pragma once
// Colours shared by both windows and their units.

#include <windows.h>

namespace rr::ui {

constexpr COLORREF kWindowBlue = RGB(0, 136, 255);
constexpr COLORREF kLabelText = RGB(255, 255, 0);
constexpr COLORREF kEditText = RGB(0, 0, 255);
constexpr COLORREF kEditBackground = RGB(255, 255, 0);
constexpr COLORREF kListBackground = RGB(0, 0, 255);
constexpr COLORREF kListItemText = RGB(0, 0, 0);
constexpr COLORREF kListItemBackground = RGB(255, 255, 255);

// Left and top that centre a window of the given outer size on the primary screen, by
// integer division.
inline POINT centredOrigin(int width, int height) {
    return POINT{(GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2};
}

// The program icon carried as resource 1 (none in a build without resources).
constexpr int kProgramIconId = 1;

} // namespace rr::ui
