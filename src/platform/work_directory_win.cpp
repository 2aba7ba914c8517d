#include "platform/work_directory_win.h"

#include <windows.h>

namespace rr::platform {

namespace {

constexpr char kPrefix[] = "rarrename-";
constexpr char kAllFiles[] = "*";

bool isDirectory(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

// Only plain files are ever written here; a leftover subdirectory stays.
void removeFilesIn(const std::string& directory) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + kAllFiles).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            DeleteFileA((directory + found.cFileName).c_str());
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

WorkDirectory::WorkDirectory(const std::string& parent) {
    if (parent.empty() || parent.back() != '\\') {
        return;
    }
    std::string path = parent + kPrefix + std::to_string(GetCurrentProcessId());
    // A directory left by an earlier process of the same id is taken over.
    if (!CreateDirectoryA(path.c_str(), nullptr) && !isDirectory(path)) {
        return;
    }
    path_ = path + "\\";
}

WorkDirectory::~WorkDirectory() {
    if (path_.empty()) {
        return;
    }
    removeFilesIn(path_);
    RemoveDirectoryA(path_.substr(0, path_.size() - 1).c_str());
}

} // namespace rr::platform
