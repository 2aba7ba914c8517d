#pragma once
// What one main window keeps: reached through the window (GWLP_USERDATA), owned by it, and
// touched only on its thread.

#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/virtual_list.h"
#include "ui/window_units.h"

#include <array>
#include <atomic>
#include <memory>

namespace rr::ui {

struct MainWindowState {
    HWND window = nullptr;
    std::array<HWND, kMainUnits.size()> units{};
    VirtualList upperList; // 超级列表框1
    VirtualList lowerList; // 超级列表框2
    MainWindowHandlers handlers;
    std::unique_ptr<WindowUnits> operations;
    HBRUSH background = nullptr;
    HBRUSH editBackground = nullptr;
    // The unit that had the focus when the window was last deactivated.
    HWND lastFocus = nullptr;
    bool running = false;
    bool closePending = false;
    std::shared_ptr<std::atomic<bool>> stopRequested;

    HWND unit(UnitId id) const { return units[unitIndex(id)]; }
    VirtualList* list(UnitId id) {
        if (id == UnitId::超级列表框1) {
            return &upperList;
        }
        return id == UnitId::超级列表框2 ? &lowerList : nullptr;
    }
};

MainWindowState* stateOf(HWND window);

} // namespace rr::ui
