// A stand-in for myrar that shows what reached it. It splits its raw command line as the
// archiver does (spaces and tabs separate, double quotes group and are dropped) and answers
// "v" with a listing whose archive line is the archive argument and whose entries are the
// other arguments, and "cw" by writing the archive argument into the comment file (nothing
// when the archive's name holds "nocomment").

#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> splitArguments(const char* line) {
    std::vector<std::string> args;
    std::string current;
    bool quoted = false;
    bool inArgument = false;
    for (const char* p = line; *p != '\0'; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inArgument) {
                args.push_back(current);
            }
            current.clear();
            inArgument = false;
        } else {
            current += *p;
            inArgument = true;
        }
    }
    if (inArgument) {
        args.push_back(current);
    }
    return args;
}

void printLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fwrite("\r\n", 1, 2, stdout);
}

int listing(const std::vector<std::string>& args) {
    const std::string separator(79, '-');
    printLine("");
    printLine("fake archiver");
    printLine("for tests");
    printLine("");
    printLine("压缩包 " + args[2]);
    printLine("");
    printLine("路径名称/注释");
    printLine("                  大小     压缩  比率  日期   时间     属性      CRC   方法版本");
    printLine(separator);
    std::vector<std::string> entries = {args[0], args[1]};
    for (std::size_t i = 3; i < args.size(); ++i) {
        entries.push_back(args[i]);
    }
    for (const auto& entry : entries) {
        printLine(" " + entry);
        printLine("                    1        1 100% 01-01-20 00:00  .....A.   00000000 m0 "
                  " 2.9");
    }
    printLine(separator);
    printLine("    " + std::to_string(entries.size()) + "                3                3 100%");
    return 0;
}

int comment(const std::vector<std::string>& args) {
    if (args.size() < 4 || args[2].find("nocomment") != std::string::npos) {
        return 0;
    }
    FILE* out = std::fopen(args[3].c_str(), "wb");
    if (out == nullptr) {
        return 2;
    }
    std::fwrite(args[2].data(), 1, args[2].size(), out);
    std::fclose(out);
    return 0;
}

} // namespace

int main() {
    // Line ends are written as given, CR LF, not widened again by the runtime.
    _setmode(_fileno(stdout), _O_BINARY);
    std::vector<std::string> args = splitArguments(GetCommandLineA());
    if (args.size() < 3) {
        return 1;
    }
    // args: program, command, switches and names in the order given.
    std::vector<std::string> rest;
    std::string command;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (command.empty() && args[i][0] != '-') {
            command = args[i];
        } else {
            rest.push_back(args[i]);
        }
    }
    // rest[0] is the password switch for "v" and the archive for "cw".
    if (command == "v" && rest.size() >= 2) {
        return listing({command, rest[0], rest[1]});
    }
    if (command == "cw" && rest.size() >= 2) {
        return comment({command, "", rest[0], rest[1]});
    }
    return 1;
}
