#pragma once
// A rename run on its own thread: collection, then the renaming loop. The window stays free to
// repaint and move while the run works through the unit operations.

#include "platform/work_directory_win.h"
#include "rename/directory_scan.h"
#include "ui/run_request.h"
#include "ui/units.h"

#include <memory>
#include <thread>

namespace rr::app {

class RenameJob {
public:
    RenameJob();
    ~RenameJob();
    RenameJob(const RenameJob&) = delete;
    RenameJob& operator=(const RenameJob&) = delete;

    // Starts the run. The window starts no second run before the first has finished.
    void start(ui::Units& units, ui::RunRequest request);

private:
    void run(ui::Units& units, const ui::RunRequest& request);

    std::unique_ptr<rename::DirectoryLister> lister_;
    // The archiver's output files of this process; removed when the tool ends.
    std::unique_ptr<platform::WorkDirectory> work_;
    std::thread worker_;
};

} // namespace rr::app
