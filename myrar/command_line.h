#pragma once
// Splits myrar's command line into command, archive, file arguments and switches.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace myrar {

// Arguments separated by spaces or tabs; a double quote starts or ends a quoted stretch and
// is dropped. The first token (the program) is part of the result.
std::vector<std::string> splitCommandLine(std::string_view line);

struct Arguments {
    std::string command;
    std::string archive;
    std::vector<std::string> files;
    std::optional<std::string> password;
    std::string unknownSwitch; // non-empty when a switch is not known
};

// args: the arguments after the program name. switchPrefixes: the characters that begin a
// switch ("-/" on Windows; "-" natively, where paths begin with "/").
Arguments parseArguments(const std::vector<std::string>& args, std::string_view switchPrefixes);

} // namespace myrar
