#pragma once
// Registers one of the program's window classes: both windows carry the program icon and the
// arrow cursor and paint their own backgrounds.

#include <windows.h>

namespace rr::ui {

// True when the class is registered, also when an earlier call registered it.
bool registerProgramWindowClass(HINSTANCE instance, const char* className, WNDPROC procedure);

} // namespace rr::ui
