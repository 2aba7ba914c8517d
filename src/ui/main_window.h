#pragma once
// The main window: its units, look, keyboard order and the events bound to them.

#include "ui/units.h"

#include <windows.h>

#include <functional>
#include <string>

namespace rr::ui {

// What the bound events start. Each handler runs on the window's thread; an empty one does
// nothing.
struct MainWindowHandlers {
    // Creation event: the window and all units exist, the window is not yet shown.
    std::function<void(Units&)> onCreated;
    // Destruction event: the window is going away; the units can still be read.
    std::function<void(Units&)> onDestroying;
    // A press of 按钮2 while no run is under way, with the suffix test text ("." and the suffix
    // box's content at the press). The run it starts goes on a worker thread of the caller's
    // and reaches the window only through `units`; `finished` must be called once when it ends
    // (from any thread).
    std::function<void(Units& units, const std::string& suffixTest, std::function<void()> finished)>
        onRenamePressed;
    // A press of 按钮3.
    std::function<void(HWND mainWindow)> onUsagePressed;
};

// Creates the main window hidden, fires the creation event, then shows it centred.
// Gives nullptr when the window cannot be created.
HWND createMainWindow(HINSTANCE instance, MainWindowHandlers handlers);

// The unit operations of a main window made by createMainWindow.
Units& unitsOf(HWND mainWindow);

// True while a run started by 按钮2 has not called its `finished`.
bool runInProgress(HWND mainWindow);

} // namespace rr::ui
