#pragma once
// What List archive yields for one archive: the entry names and the result code.

#include <string>
#include <vector>

namespace rr::archiver {

// Result codes of List archive besides the entry count.
constexpr int kNoListing = -1;
constexpr int kNoEntries = 0;

struct Listing {
    // The number of entry names, kNoEntries, or kNoListing when nothing could be read.
    int result = kNoListing;
    // Full entry names in listing order, folders separated by "\", without the entry marker.
    std::vector<std::string> entries;
    // The archive line names a volume of a multi-volume set.
    bool isVolume = false;
};

} // namespace rr::archiver
