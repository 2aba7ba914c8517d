#include "temp_tree_win.h"

#include <fstream>
#include <iterator>

namespace rr::test {

namespace {

std::string systemTemp() {
    char buffer[MAX_PATH + 1] = {};
    DWORD n = GetTempPathA(MAX_PATH, buffer);
    return std::string(buffer, n);
}

} // namespace

TempTree::TempTree(const std::string& label) {
    static int counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = systemTemp() + label + " " + std::to_string(GetCurrentProcessId()) +
                                "-" + std::to_string(++counter);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate + "\\";
            return;
        }
    }
}

TempTree::~TempTree() {
    if (!path_.empty()) {
        removeTree(path_.substr(0, path_.size() - 1));
    }
}

bool writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool makeDirectory(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

std::string hostPath(const std::string& path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::string out = "Z:" + path;
    for (char& c : out) {
        if (c == '/') {
            c = '\\';
        }
    }
    return out;
}

void removeTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

} // namespace rr::test
