#pragma once
// The about window: the usage steps in one large label, and an OK button that closes it.
//
// It opens on its own beside the main window, which stays usable, and never more than one
// exists: opening it again brings the open one to the front.

#include <windows.h>

namespace rr::ui {

constexpr int kAboutWindowWidth = 372;
constexpr int kAboutWindowHeight = 384;
constexpr char kAboutWindowCaption[] = "关于";

// Units in client coordinates, outer sizes; the button lies on top of the label.
constexpr RECT kAboutOkRect{139, 328, 139 + 88, 328 + 20};
constexpr RECT kAboutLabelRect{8, 8, 8 + 352, 8 + 312};
constexpr char kAboutOkText[] = "确定";
constexpr int kAboutOkId = 1;    // 按钮1
constexpr int kAboutLabelId = 2; // 标签1

// The usage label's text, its lines joined by CR LF.
extern const char kUsageText[];

// Opens the about window centred on the screen with the focus on OK, or, when one is open,
// restores it if minimised and brings it to the front. Gives the window, or nullptr when it
// cannot be created.
HWND openAboutWindow(HINSTANCE instance);

// The open about window, or nullptr.
HWND aboutWindow();

// Keys of the about window for a message about to be dispatched: Esc closes it, Tab and
// Enter leave the focus on OK. True when the message was consumed.
bool handleAboutWindowKeys(const MSG& message);

} // namespace rr::ui
