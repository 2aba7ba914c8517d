// myrar: lists RAR archives (`v`) and writes out their comments (`cw`).
#include "command_line.h"
#include "exit_codes.h"
#include "listing.h"
#include "unpack/entry_unpack.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const char kUsage[] = "\r\n用法: myrar <命令> [-<开关>...] <压缩包> [<文件>...]\r\n"
                      "\r\n命令:\r\n"
                      "  v       详细列出压缩包的内容\r\n"
                      "  cw      把压缩包注释写入文件\r\n"
                      "\r\n开关:\r\n"
                      "  -p<密码> 设置密码\r\n"
                      "  --      此后的参数都不是开关\r\n";

#ifdef _WIN32
// Windows: "/" begins a switch too, and the raw line keeps code page 936 bytes and quotes.
const char kSwitchPrefixes[] = "-/";

std::vector<std::string> programArguments(int, char**) {
    std::vector<std::string> all = myrar::splitCommandLine(GetCommandLineA());
    if (!all.empty())
        all.erase(all.begin());
    return all;
}

bool hasConsoleInput() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
#else
// Natively paths begin with "/", so only "-" begins a switch.
const char kSwitchPrefixes[] = "-";

std::vector<std::string> programArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

bool hasConsoleInput() {
    return isatty(0) != 0;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}
#endif

bool askOverwrite(const std::string& question) {
    if (!hasConsoleInput())
        return false;
    std::fputs(question.c_str(), stdout);
    std::fputs(" [Y/N] ", stdout);
    std::fflush(stdout);
    char answer[64];
    if (!std::fgets(answer, sizeof answer, stdin))
        return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

bool writeWhole(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void emit(const myrar::CommandOutput& output) {
    std::fwrite(output.out.data(), 1, output.out.size(), stdout);
    std::fflush(stdout);
    std::fwrite(output.err.data(), 1, output.err.size(), stderr);
    std::fflush(stderr);
}

int usage(const std::string& reason) {
    myrar::CommandOutput output;
    output.err = myrar::bannerLines();
    if (!reason.empty())
        output.err += "\r\n" + reason + "\r\n";
    output.err += kUsage;
    emit(output);
    return myrar::kExitUsage;
}

// With MYRAR_READ_STATS set, the bytes this process read from files (Linux /proc) go to the
// error output, for the listing benchmark.
void reportReads() {
#ifndef _WIN32
    if (!std::getenv("MYRAR_READ_STATS"))
        return;
    std::FILE* io = std::fopen("/proc/self/io", "r");
    if (!io)
        return;
    char line[128];
    while (std::fgets(line, sizeof line, io))
        if (std::strncmp(line, "rchar:", 6) == 0)
            std::fprintf(stderr, "myrar-read-bytes %s", line + 6);
    std::fclose(io);
#endif
}

} // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
    // Lines carry their own CR LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    myrar::unpack::installCommentUnpacker();
    myrar::Arguments args = myrar::parseArguments(programArguments(argc, argv), kSwitchPrefixes);
    if (!args.unknownSwitch.empty())
        return usage("未知的开关: " + args.unknownSwitch);
    myrar::CommandOutput output;
    int code = myrar::kExitOk;
    if ((args.command == "v" || args.command == "V") && !args.archive.empty()) {
        code = myrar::listArchive(args.archive, args.password, output);
    } else if ((args.command == "cw" || args.command == "CW") && !args.archive.empty()) {
        myrar::CommentTarget target{fileExists, askOverwrite, writeWhole};
        code = myrar::writeComment(args.archive, args.files.empty() ? "" : args.files[0],
                                   args.password, target, output);
    } else if (args.command.empty() || args.archive.empty()) {
        return usage(args.command.empty() ? "" : "缺少压缩包名称");
    } else {
        return usage("未知的命令: " + args.command);
    }
    emit(output);
    reportReads();
    return code;
}
