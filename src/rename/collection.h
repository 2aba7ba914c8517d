#pragma once
// Archive collection: the first stage of a rename run. Walks the directory box's path and
// lists every file found in the upper list view.

#include "rename/directory_scan.h"
#include "ui/units.h"

#include <atomic>
#include <cstddef>

namespace rr::rename {

// Rows handed to the window in one trip; keeps filling cheap while rows still show as they
// come.
constexpr std::size_t kRowsPerBatch = 1000;

// Disables 按钮2, scans, sets 标签2 to the count, empties both lists, fills 超级列表框1 with
// "1", "2", ... and the paths, and enables 按钮2 again. Gives the number of files found.
std::size_t collectArchives(ui::Units& units, DirectoryLister& lister,
                            const std::atomic<bool>* stop = nullptr);

} // namespace rr::rename
