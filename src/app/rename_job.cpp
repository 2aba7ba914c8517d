#include "app/rename_job.h"

#include "platform/directory_lister_win.h"
#include "rename/collection.h"

namespace rr::app {

RenameJob::RenameJob() : lister_(std::make_unique<platform::WindowsDirectoryLister>()) {}

RenameJob::~RenameJob() {
    if (worker_.joinable()) {
        worker_.join();
    }
}

void RenameJob::start(ui::Units& units, ui::RunRequest request) {
    // The previous run has called `finished` by now; only its thread's last steps remain.
    if (worker_.joinable()) {
        worker_.join();
    }
    worker_ = std::thread([this, &units, request = std::move(request)] { run(units, request); });
}

void RenameJob::run(ui::Units& units, const ui::RunRequest& request) {
    rename::collectArchives(units, *lister_, request.stopRequested.get());
    request.finished();
}

} // namespace rr::app
