#pragma once
// The folder dialog of 按钮1.

#include <windows.h>

#include <string>

namespace rr::ui {

// Shows the system's folder-choice dialog, modal to `owner`. Gives the chosen folder's path (a
// drive root keeps its "\"), or empty text on Cancel or a folder with no file-system path.
std::string chooseFolder(HWND owner);

} // namespace rr::ui
