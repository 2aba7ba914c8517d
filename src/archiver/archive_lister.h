#pragma once
// List archive as the rename loop sees it: one archive in, its listing out. The real one runs
// the archiver; tests give canned listings.

#include "archiver/listing.h"

#include <string>

namespace rr::archiver {

class ArchiveLister {
public:
    virtual ~ArchiveLister() = default;
    virtual Listing list(const std::string& archivePath) = 0;
};

} // namespace rr::archiver
