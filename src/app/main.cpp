#include "app/rename_job.h"
#include "ui/main_window.h"
#include "ui/tab_order.h"

#include <windows.h>

#include <objbase.h>

namespace {

// The folder dialog's edit field needs COM on the window thread.
struct ComApartment {
    ComApartment() { OleInitialize(nullptr); }
    ~ComApartment() { OleUninitialize(); }
};

int runMessageLoop(HWND mainWindow) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (rr::ui::handleMainWindowKeys(mainWindow, message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    ComApartment com;
    rr::app::RenameJob job;
    rr::ui::MainWindowHandlers handlers;
    handlers.onRenamePressed = [&job](rr::ui::Units& units, rr::ui::RunRequest request) {
        job.start(units, std::move(request));
    };
    HWND mainWindow = rr::ui::createMainWindow(instance, std::move(handlers));
    if (mainWindow == nullptr) {
        return 1;
    }
    return runMessageLoop(mainWindow);
}
