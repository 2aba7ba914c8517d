#include "platform/directory_lister_win.h"

#include <windows.h>

namespace rr::platform {

namespace {

constexpr char kEveryEntry[] = "*.*";

struct FindHandle {
    HANDLE handle;
    ~FindHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            FindClose(handle);
        }
    }
};

struct OpenHandle {
    HANDLE handle;
    ~OpenHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};

rename::DirectoryEntry entryOf(const WIN32_FIND_DATAA& data) {
    rename::DirectoryEntry entry;
    entry.name = data.cFileName;
    entry.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // Junctions and directory links are reparse points; following one could loop.
    entry.isLink = entry.isDirectory && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    return entry;
}

} // namespace

bool WindowsDirectoryLister::firstVisit(const std::string& directory) {
    OpenHandle dir{CreateFileA(directory.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    BY_HANDLE_FILE_INFORMATION info;
    if (dir.handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(dir.handle, &info)) {
        return true; // no identity to go by; listing it will tell whether it can be read
    }
    std::uint64_t index = (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return visited_.insert({info.dwVolumeSerialNumber, index}).second;
}

bool WindowsDirectoryLister::list(const std::string& directory,
                                  const std::function<void(const rename::DirectoryEntry&)>& found) {
    std::string pattern = rename::joinPath(directory, kEveryEntry);
    WIN32_FIND_DATAA data;
    // The basic information level skips the 8.3 names, and large fetches cut the round trips.
    FindHandle find{FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH)};
    if (find.handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        found(entryOf(data));
    } while (FindNextFileA(find.handle, &data));
    return true;
}

} // namespace rr::platform
