#include "platform/file_operations_win.h"

#include "platform/unique_handle_win.h"

#include <windows.h>

#include <shellapi.h>

#include <vector>

namespace rr::platform {

namespace {

constexpr FILEOP_FLAGS kRecycleQuietly =
    FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;

std::uint64_t joined(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

} // namespace

std::optional<rename::FileStamp> WindowsFileOperations::stamp(const std::string& path) {
    // Asking for attributes only opens even a file that another program holds.
    UniqueHandle file(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    rename::FileStamp s;
    s.volumeSerial = info.dwVolumeSerialNumber;
    s.fileIndex = joined(info.nFileIndexHigh, info.nFileIndexLow);
    s.size = joined(info.nFileSizeHigh, info.nFileSizeLow);
    s.writeTime = joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    return s;
}

bool WindowsFileOperations::exists(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        return true;
    }
    // Only a clear "not there" counts as free; anything else may hide a file.
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

bool WindowsFileOperations::rename(const std::string& from, const std::string& to) {
    // Without MOVEFILE_REPLACE_EXISTING the move fails when `to` is taken.
    return MoveFileExA(from.c_str(), to.c_str(), 0) != FALSE;
}

bool WindowsFileOperations::recycle(const std::string& path) {
    // The shell takes a list of names, each ended by a NUL, the list by one more.
    std::vector<char> from(path.begin(), path.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.data();
    operation.fFlags = kRecycleQuietly;
    return SHFileOperationA(&operation) == 0 && !operation.fAnyOperationsAborted;
}

} // namespace rr::platform
