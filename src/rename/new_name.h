#pragma once
// Forming an archive's new name from an entry of the archive, and the rules that keep a name
// taken from an archive (untrusted input) from reaching anything but a plain file name in
// the archive's own directory.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace rr::rename {

// Longest full path, its terminating NUL included, that the tool hands to the file system.
constexpr std::size_t kMaxPath = 260;
constexpr std::string_view kArchiveExtension = ".rar";

// The last "\" piece of an entry name (the whole name when it holds no "\" character).
std::string entryFileName(std::string_view entryName);

// The entry file name less its last `suffixLength` bytes, followed by ".rar". Nothing when
// the cut leaves no name (an entry file name that is the suffix test text alone).
std::optional<std::string> newArchiveName(std::string_view fileName, std::size_t suffixLength);

// True for a name that the file system takes as one plain file in a directory: not empty,
// no \ / : * ? " < > | or control character, no reserved device name (with any extension),
// not ending in a space or a dot, not "." or "..", and valid two-byte characters throughout.
bool isPlainFileName(std::string_view name);

// The text up to and including the last "\" character, or empty text when there is none.
std::string directoryOf(std::string_view path);

} // namespace rr::rename
