#pragma once
// The main window's keyboard order and keys. Tab order is the reverse of the stacking order,
// so the dialog manager's own Tab handling cannot be used.

#include <windows.h>

namespace rr::ui {

struct MainWindowState;

enum class TabDirection { Forward, Backward };

// Moves the focus to the next visible, enabled unit of the tab order, wrapping around.
void moveFocus(MainWindowState& state, TabDirection direction);

// Focus to the first visible, enabled unit of the tab order.
void focusFirstUnit(MainWindowState& state);

// Handles Tab, Shift+Tab, Esc and Enter for a message meant for the main window or one of its
// units; true when the message was consumed and must not be dispatched.
bool handleMainWindowKeys(HWND mainWindow, const MSG& message);

} // namespace rr::ui
