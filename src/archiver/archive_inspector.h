#pragma once
// List archive and Read comment: run the written-out archiver on one archive and read what
// it leaves in the work directory. One inspector serves one run; inspections run one at a
// time.

#include "archiver/archive_lister.h"

#include <string>

namespace rr::archiver {

class ArchiveInspector : public ArchiveLister {
public:
    // `archiverPath` is the deployed myrar.exe; `workDirectory` ends in a backslash and
    // belongs to this process.
    ArchiveInspector(std::string archiverPath, std::string workDirectory);

    // The entry list, or a result of kNoListing when no listing could be read. A listing
    // file left from an earlier archive is removed first and never taken for this one.
    Listing list(const std::string& archivePath) override;

    // The comment's bytes as stored; empty text when the archive has none.
    std::string readComment(const std::string& archivePath);

    std::string listingPath() const;
    std::string commentPath() const;

private:
    std::string archiverPath_;
    std::string workDirectory_;
};

} // namespace rr::archiver
