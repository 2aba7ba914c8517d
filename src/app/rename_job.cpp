#include "app/rename_job.h"

#include "archiver/archive_inspector.h"
#include "archiver/archiver_image.h"
#include "archiver/deployment.h"
#include "platform/directory_lister_win.h"
#include "platform/file_operations_win.h"
#include "rename/collection.h"
#include "rename/rename_loop.h"

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
    const std::atomic<bool>* stop = request.stopRequested.get();
    // Written out afresh for each run, before the first inspection.
    archiver::Deployment deployment = archiver::deployArchiver(archiver::archiverImage());
    if (!work_) {
        work_ = std::make_unique<platform::WorkDirectory>(deployment.temporaryDirectory);
    }
    archiver::ArchiveInspector inspector(deployment.archiverPath(), work_->path());
    rename::collectArchives(units, *lister_, stop);
    platform::WindowsFileOperations files;
    rename::renameArchives(units, inspector, files, request.suffixTest, stop);
    request.finished();
}

} // namespace rr::app
