#pragma once
// The program ends when the last of its top-level windows has been destroyed: each window
// counts itself in on creation and out on destruction.

namespace rr::ui {

void countWindowOpened();
// Posts the quit message when no counted window is left.
void countWindowClosed();

} // namespace rr::ui
