#include "archiver/deployment.h"

#include "archiver/command_line.h"
#include "platform/file_io_win.h"

#include <windows.h>

namespace rr::archiver {

namespace {

constexpr DWORD kTempPathBuffer = 260;

// GetTempPathA fills a buffer of spaces; when it writes nothing the spaces stay and make no
// valid file name, so the write fails.
std::string temporaryDirectory() {
    std::string buffer(kTempPathBuffer, ' ');
    buffer.push_back('\0');
    GetTempPathA(kTempPathBuffer, buffer.data());
    return buffer.substr(0, buffer.find('\0'));
}

} // namespace

std::string Deployment::archiverPath() const {
    return temporaryDirectory + std::string(kArchiverName);
}

Deployment deployArchiver(std::string_view image) {
    Deployment deployment;
    deployment.temporaryDirectory = temporaryDirectory();
    // A program built without its image must not truncate a good copy left by another.
    deployment.written = !image.empty() && platform::writeFile(deployment.archiverPath(), image);
    return deployment;
}

} // namespace rr::archiver
