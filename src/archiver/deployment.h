#pragma once
// Archiver deployment: writes the archiver the tool carries into the user's Temporary
// directory as myrar.exe, before the first inspection of a run.

#include <string>
#include <string_view>

namespace rr::archiver {

struct Deployment {
    // As GetTempPathA gives it, ending in a backslash.
    std::string temporaryDirectory;
    // False when myrar.exe could not be written; an earlier copy (held by another running
    // copy of the tool, say) then stays as it was and is used as it is.
    bool written = false;

    std::string archiverPath() const;
};

// Looks the Temporary directory up afresh and writes the whole image again.
Deployment deployArchiver(std::string_view image);

} // namespace rr::archiver
