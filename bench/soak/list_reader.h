#pragma once
// Reads the cells of a list view that belongs to another process: the item and the text
// buffer have to live in that process, which the list then fills.

#include <windows.h>

#include <string>
#include <vector>

namespace soak {

// The text of `column` in every row of `list`; empty when the other process's memory cannot
// be reached.
std::vector<std::string> readColumn(HANDLE process, HWND list, int column);

} // namespace soak
