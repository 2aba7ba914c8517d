#include "app/program_directory.h"
#include "app/rename_job.h"
#include "settings/settings_keeper.h"
#include "ui/about_window.h"
#include "ui/main_window.h"
#include "ui/tab_order.h"

#include <windows.h>

#include <objbase.h>

#include <string>

namespace {

// The folder dialog's edit field needs COM on the window thread.
struct ComApartment {
    ComApartment() { OleInitialize(nullptr); }
    ~ComApartment() { OleUninitialize(); }
};

int runMessageLoop(HWND mainWindow) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (rr::ui::handleAboutWindowKeys(message) ||
            rr::ui::handleMainWindowKeys(mainWindow, message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before any window exists: relative paths from here on mean the program directory.
    std::string directory = rr::app::programDirectory();
    rr::app::enterDirectory(directory);
    rr::settings::SettingsKeeper settings(directory);

    ComApartment com;
    rr::app::RenameJob job;
    rr::ui::MainWindowHandlers handlers;
    handlers.onCreated = [&settings](rr::ui::Units& units) { settings.load(units); };
    handlers.onDestroying = [&settings](rr::ui::Units& units) { settings.save(units); };
    handlers.onRenamePressed = [&job, &settings](rr::ui::Units& units, rr::ui::RunRequest request) {
        // Saved at each press too, so what the user typed outlives a run that is cut off.
        if (!settings.save(units)) {
            // The run empties the lower list first, so the failure is told once it has ended.
            request.finished = [&settings, &units, finished = std::move(request.finished)] {
                settings.tellSaveFailureOnce(units);
                finished();
            };
        }
        job.start(units, std::move(request));
    };
    handlers.onUsagePressed = [instance](HWND) { rr::ui::openAboutWindow(instance); };
    HWND mainWindow = rr::ui::createMainWindow(instance, std::move(handlers));
    if (mainWindow == nullptr) {
        return 1;
    }
    return runMessageLoop(mainWindow);
}
