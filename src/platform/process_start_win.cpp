#include "platform/process_start_win.h"

#include "platform/unique_handle_win.h"

#include <windows.h>

#include <vector>

namespace rr::platform {

namespace {

constexpr char kNullDevice[] = "NUL";

SECURITY_ATTRIBUTES inheritable() {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof(sa);
    sa.bInheritHandle = TRUE;
    return sa;
}

UniqueHandle openNullDevice() {
    SECURITY_ATTRIBUTES sa = inheritable();
    return UniqueHandle(CreateFileA(kNullDevice, GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

UniqueHandle createOutput(const std::string& path) {
    SECURITY_ATTRIBUTES sa = inheritable();
    return UniqueHandle(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

} // namespace

bool runAndWait(const std::string& program, const std::string& commandLine,
                const std::string& outputPath) {
    UniqueHandle nullDevice = openNullDevice();
    if (!nullDevice.valid()) {
        return false;
    }
    UniqueHandle output;
    if (!outputPath.empty()) {
        output = createOutput(outputPath);
        if (!output.valid()) {
            return false;
        }
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = nullDevice.get();
    startup.hStdOutput = output.valid() ? output.get() : nullDevice.get();
    startup.hStdError = nullDevice.get();

    // CreateProcessA may write into its command line buffer.
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS,
                        nullptr, nullptr, &startup, &process)) {
        // Leave no empty output behind that could pass for the program's.
        if (output.valid()) {
            output.reset();
            DeleteFileA(outputPath.c_str());
        }
        return false;
    }
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.get(), INFINITE);
    return true;
}

} // namespace rr::platform
