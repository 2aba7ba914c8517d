#include "ui/window_units.h"

#include "ui/main_window_state.h"
#include "ui/tab_order.h"

#include <vector>

namespace rr::ui {

namespace {

std::string windowText(HWND control) {
    int length = GetWindowTextLengthA(control);
    if (length <= 0) {
        return {};
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
    int got = GetWindowTextA(control, buffer.data(), length + 1);
    return std::string(buffer.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

} // namespace

void WindowUnits::onWindowThread(const std::function<void(MainWindowState&)>& work) {
    std::function<void()> call = [this, &work] {
        if (MainWindowState* state = stateOf(window_)) {
            work(*state);
        }
    };
    if (GetWindowThreadProcessId(window_, nullptr) == GetCurrentThreadId()) {
        call();
        return;
    }
    SendMessageA(window_, kCallOnWindowThread, 0, reinterpret_cast<LPARAM>(&call));
}

std::string WindowUnits::text(UnitId unit) {
    std::string result;
    onWindowThread([&](MainWindowState& s) { result = windowText(s.unit(unit)); });
    return result;
}

void WindowUnits::setText(UnitId unit, std::string_view text) {
    std::string copy(text);
    onWindowThread([&](MainWindowState& s) { SetWindowTextA(s.unit(unit), copy.c_str()); });
}

void WindowUnits::setEnabled(UnitId button, bool enabled) {
    onWindowThread([&](MainWindowState& s) {
        HWND control = s.unit(button);
        if (!enabled && GetFocus() == control) {
            moveFocus(s, TabDirection::Forward);
        }
        EnableWindow(control, enabled ? TRUE : FALSE);
    });
}

int WindowUnits::rowCount(UnitId list) {
    int count = 0;
    onWindowThread([&](MainWindowState& s) {
        if (VirtualList* l = s.list(list)) {
            count = l->rowCount();
        }
    });
    return count;
}

void WindowUnits::deleteAllRows(UnitId list) {
    onWindowThread([&](MainWindowState& s) {
        if (VirtualList* l = s.list(list)) {
            l->deleteAll();
        }
    });
}

int WindowUnits::insertRow(UnitId list) {
    int row = -1;
    onWindowThread([&](MainWindowState& s) {
        if (VirtualList* l = s.list(list)) {
            row = l->insertRow();
        }
    });
    return row;
}

void WindowUnits::setCell(UnitId list, int row, int column, std::string_view text) {
    onWindowThread([&](MainWindowState& s) {
        if (VirtualList* l = s.list(list)) {
            l->setCell(row, column, text);
        }
    });
}

std::string WindowUnits::cell(UnitId list, int row, int column) {
    std::string result;
    onWindowThread([&](MainWindowState& s) {
        if (VirtualList* l = s.list(list)) {
            result = l->cell(row, column);
        }
    });
    return result;
}

void WindowUnits::appendRows(UnitId list, const std::vector<Row>& rows) {
    onWindowThread([&](MainWindowState& s) {
        if (VirtualList* l = s.list(list)) {
            l->append(rows);
        }
    });
}

} // namespace rr::ui
