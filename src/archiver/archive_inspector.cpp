#include "archiver/archive_inspector.h"

#include "archiver/command_line.h"
#include "archiver/listing_reader.h"
#include "platform/file_io_win.h"
#include "platform/process_start_win.h"

#include <utility>

namespace rr::archiver {

ArchiveInspector::ArchiveInspector(std::string archiverPath, std::string workDirectory)
    : archiverPath_(std::move(archiverPath)), workDirectory_(std::move(workDirectory)) {}

std::string ArchiveInspector::listingPath() const {
    return workDirectory_ + std::string(kListingName);
}

std::string ArchiveInspector::commentPath() const {
    return workDirectory_ + std::string(kCommentName);
}

Listing ArchiveInspector::list(const std::string& archivePath) {
    if (workDirectory_.empty() || !platform::removeFile(listingPath())) {
        return {};
    }
    std::optional<std::string> command = listingCommand(archiverPath_, archivePath);
    if (!command || !platform::runAndWait(archiverPath_, *command, listingPath())) {
        return {};
    }
    return readListing(platform::readFileWhenReleased(listingPath()), archivePath);
}

std::string ArchiveInspector::readComment(const std::string& archivePath) {
    // A comment file left over would be taken for this archive's comment, and the archiver
    // refuses to write over it.
    if (workDirectory_.empty() || !platform::removeFile(commentPath())) {
        return {};
    }
    std::optional<std::string> command = commentCommand(archiverPath_, archivePath, commentPath());
    if (!command || !platform::runAndWait(archiverPath_, *command, std::string())) {
        return {};
    }
    return platform::readFileWhenReleased(commentPath());
}

} // namespace rr::archiver
