#pragma once
// The main window: its units, look, keyboard order and the events bound to them.

#include "ui/run_request.h"
#include "ui/units.h"

#include <windows.h>

#include <functional>

namespace rr::ui {

// What the bound events start. Each handler runs on the window's thread; an empty one does
// nothing.
struct MainWindowHandlers {
    // Creation event: the window and all units exist, the window is not yet shown.
    std::function<void(Units&)> onCreated;
    // Destruction event: the window is going away; the units can still be read.
    std::function<void(Units&)> onDestroying;
    // A press of 按钮2 while no run is under way. The run it starts goes on a worker thread of
    // the handler's and reaches the window only through `units`.
    std::function<void(Units& units, RunRequest request)> onRenamePressed;
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
