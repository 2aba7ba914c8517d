#pragma once
// The program directory: where the running executable lies, without a trailing "\". The
// settings file lives there, and it is the process's current directory from start-up on.

#include <string>
#include <string_view>

namespace rr::app {

// The text of an executable's path up to its last "\" that is a character of its own (never
// the second byte of a two-byte character); "D:" for "D:\x.exe". Empty when there is none.
std::string directoryOf(std::string_view executablePath);

// The running executable's directory; empty when the system cannot report the whole path.
std::string programDirectory();

// Makes `directory` the current directory. A drive alone ("D:") is taken as its root, since
// "D:" by itself names that drive's remembered current directory.
bool enterDirectory(const std::string& directory);

} // namespace rr::app
