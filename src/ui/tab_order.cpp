#include "ui/tab_order.h"

#include "ui/main_window_state.h"

namespace rr::ui {

namespace {

bool takesFocus(HWND control) {
    return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control);
}

// Place of the focused unit in the tab order, or -1. A control inside a unit (the header of
// a list view) counts as that unit.
int focusedPlace(const MainWindowState& state) {
    HWND focus = GetFocus();
    for (int i = 0; i < static_cast<int>(kTabOrder.size()); ++i) {
        HWND unit = state.unit(kTabOrder[static_cast<std::size_t>(i)]);
        if (focus == unit || IsChild(unit, focus)) {
            return i;
        }
    }
    return -1;
}

} // namespace

void moveFocus(MainWindowState& state, TabDirection direction) {
    const int count = static_cast<int>(kTabOrder.size());
    const int step = direction == TabDirection::Forward ? 1 : count - 1;
    int start = focusedPlace(state);
    if (start < 0) {
        start = direction == TabDirection::Forward ? count - 1 : 0;
    }
    for (int i = 1; i <= count; ++i) {
        HWND next = state.unit(kTabOrder[static_cast<std::size_t>((start + i * step) % count)]);
        if (takesFocus(next)) {
            SetFocus(next);
            return;
        }
    }
}

void focusFirstUnit(MainWindowState& state) {
    for (UnitId id : kTabOrder) {
        if (takesFocus(state.unit(id))) {
            SetFocus(state.unit(id));
            return;
        }
    }
}

bool handleMainWindowKeys(HWND mainWindow, const MSG& message) {
    if (message.hwnd != mainWindow && !IsChild(mainWindow, message.hwnd)) {
        return false;
    }
    MainWindowState* state = stateOf(mainWindow);
    if (state == nullptr) {
        return false;
    }
    bool keyMessage = message.message == WM_KEYDOWN || message.message == WM_CHAR;
    if (!keyMessage) {
        return false;
    }
    switch (message.wParam) {
    case VK_TAB:
        if (message.message == WM_KEYDOWN) {
            bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            moveFocus(*state, shift ? TabDirection::Backward : TabDirection::Forward);
        }
        return true;
    case VK_ESCAPE:
    case VK_RETURN:
        // Esc does not close the window and Enter does not move the focus or press a button.
        return true;
    default:
        return false;
    }
}

} // namespace rr::ui
