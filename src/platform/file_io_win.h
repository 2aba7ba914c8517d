#pragma once
// Whole-file reading and writing, and removing a file.

#include <string>
#include <string_view>

namespace rr::platform {

// Creates or truncates `name` (written only, shared with no one) and writes all bytes in one
// piece. False without touching the disk for an empty name; false when the file cannot be
// opened, or when the write fails (the file then stays as far as it was written).
bool writeFile(const std::string& name, std::string_view bytes);

// The whole content of an existing file, opened for reading and letting others read. A
// missing, empty or unreadable file, or an empty name, gives no bytes.
std::string readFile(const std::string& name);

// As readFile, but waits up to `waitMs` while another process still holds the file open for
// writing: a program that has just ended may not yet have let go of its output file.
std::string readFileWhenReleased(const std::string& name, unsigned waitMs = 2000);

// Removes the file if there is one; true when none is left under the name.
bool removeFile(const std::string& name);

} // namespace rr::platform
