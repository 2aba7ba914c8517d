#include "ui/window_count.h"

#include <windows.h>

namespace rr::ui {

namespace {
// Touched only on the window thread.
int openWindows = 0;
} // namespace

void countWindowOpened() {
    ++openWindows;
}

void countWindowClosed() {
    if (--openWindows <= 0) {
        openWindows = 0;
        PostQuitMessage(0);
    }
}

} // namespace rr::ui
