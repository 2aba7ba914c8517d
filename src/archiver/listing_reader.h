#pragma once
// The listing reader: turns the text of a verbose listing into the entry list.
//
// The listing carries text from the archive (its comment, file comments, entry names), so
// the reader never searches it for a pattern; it anchors on the listing's fixed structure.
// From the end: the totals line is the last line and a separator line stands right before
// it. From the start of the entry block: the archive line naming exactly this archive, an
// empty line, the "路径名称/注释" line, the column title line and a separator line. Between
// the two separators only name and details line pairs and their extra lines may stand, and
// the entries counted must agree with the totals line. Anything else gives no listing.

#include "archiver/listing.h"

#include <string_view>

namespace rr::archiver {

// `archivePath` is the path exactly as it was given to the listing command.
Listing readListing(std::string_view text, std::string_view archivePath);

} // namespace rr::archiver
