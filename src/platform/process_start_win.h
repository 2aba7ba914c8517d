#pragma once
// Starting a console program directly, never through a command interpreter, so no character
// of its arguments is ever taken as a command.

#include <string>

namespace rr::platform {

// Starts `program` with the whole `commandLine` (the program's own name first), detached from
// any console (so no window shows and no console host holds the output file), the standard
// output written into `outputPath` (created afresh; empty text
// for none), standard input and error on the null device, and waits for its end. False when
// the output file cannot be made or the program does not start.
bool runAndWait(const std::string& program, const std::string& commandLine,
                const std::string& outputPath);

} // namespace rr::platform
