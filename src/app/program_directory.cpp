#include "app/program_directory.h"

#include "platform/cp936_text.h"

#include <windows.h>

namespace rr::app {

namespace {
// The system's path limit, the buffer the ANSI module-name call fills.
constexpr DWORD kModulePathBuffer = MAX_PATH;
constexpr std::size_t kDriveLength = 2; // "D:"
} // namespace

std::string directoryOf(std::string_view executablePath) {
    std::size_t slash = cp936::findLast(executablePath, '\\');
    if (slash == std::string_view::npos) {
        return {};
    }
    return std::string(executablePath.substr(0, slash));
}

std::string programDirectory() {
    char path[kModulePathBuffer];
    DWORD length = GetModuleFileNameA(nullptr, path, kModulePathBuffer);
    // A full buffer means the path was cut; a directory made from it would be a wrong one.
    if (length == 0 || length >= kModulePathBuffer) {
        return {};
    }
    return directoryOf(std::string_view(path, length));
}

bool enterDirectory(const std::string& directory) {
    if (directory.empty()) {
        return false;
    }
    bool driveAlone = directory.size() == kDriveLength && directory[1] == ':';
    std::string target = driveAlone ? directory + "\\" : directory;
    return SetCurrentDirectoryA(target.c_str()) != FALSE;
}

} // namespace rr::app
