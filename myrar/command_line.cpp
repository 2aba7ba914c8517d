#include "command_line.h"

namespace myrar {

std::vector<std::string> splitCommandLine(std::string_view line) {
    std::vector<std::string> out;
    std::string current;
    bool inToken = false;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inToken = true;
            continue;
        }
        if (!quoted && (c == ' ' || c == '\t')) {
            if (inToken)
                out.push_back(current);
            current.clear();
            inToken = false;
            continue;
        }
        current.push_back(c);
        inToken = true;
    }
    if (inToken)
        out.push_back(current);
    return out;
}

Arguments parseArguments(const std::vector<std::string>& args, std::string_view switchPrefixes) {
    Arguments out;
    bool switches = true;
    int positional = 0;
    for (const std::string& a : args) {
        if (switches && a == "--") {
            switches = false;
            continue;
        }
        if (switches && !a.empty() && switchPrefixes.find(a[0]) != std::string_view::npos) {
            if (a.size() >= 2 && (a[1] == 'p' || a[1] == 'P')) {
                if (a.size() > 2)
                    out.password = a.substr(2);
                continue;
            }
            if (out.unknownSwitch.empty())
                out.unknownSwitch = a;
            continue;
        }
        if (positional == 0)
            out.command = a;
        else if (positional == 1)
            out.archive = a;
        else
            out.files.push_back(a);
        ++positional;
    }
    return out;
}

} // namespace myrar
