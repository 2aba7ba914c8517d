#include "platform/file_io_win.h"

#include "platform/unique_handle_win.h"

#include <windows.h>

#include <limits>

namespace rr::platform {

bool writeFile(const std::string& name, std::string_view bytes) {
    if (name.empty() || bytes.size() > std::numeric_limits<DWORD>::max()) {
        return false;
    }
    UniqueHandle file(CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return false;
    }
    return written == bytes.size();
}

std::string readFile(const std::string& name) {
    if (name.empty()) {
        return {};
    }
    UniqueHandle file(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return {};
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > std::numeric_limits<DWORD>::max()) {
        return {};
    }
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
        return {};
    }
    bytes.resize(got);
    return bytes;
}

std::string readFileWhenReleased(const std::string& name, unsigned waitMs) {
    constexpr DWORD kPauseMs = 5;
    for (unsigned waited = 0;; waited += kPauseMs) {
        std::string bytes = readFile(name);
        if (!bytes.empty() || GetLastError() != ERROR_SHARING_VIOLATION || waited >= waitMs) {
            return bytes;
        }
        Sleep(kPauseMs);
    }
}

bool removeFile(const std::string& name) {
    if (DeleteFileA(name.c_str())) {
        return true;
    }
    return GetFileAttributesA(name.c_str()) == INVALID_FILE_ATTRIBUTES;
}

} // namespace rr::platform
