#pragma once
// The archiver the tool carries: the bytes of myrar.exe, built in as a resource.

#include <string_view>

namespace rr::archiver {

// Resource name of the image (RCDATA) in archiver_image.rc.
constexpr char kArchiverImageResource[] = "ARCHIVER_IMAGE";

// The image's bytes from the running program's resources; empty when it carries none.
std::string_view archiverImage();

} // namespace rr::archiver
