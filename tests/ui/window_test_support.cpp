#include "window_test_support.h"

#include <shellapi.h>

#include <vector>

namespace rr::test {

void pumpPending() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pumpPending();
    }
    return true;
}

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    static int counter = 0;
    path_ = std::string(base) + "rrtest_" + std::to_string(GetCurrentProcessId()) + "_" +
            std::to_string(++counter);
    CreateDirectoryA(path_.c_str(), nullptr);
}

std::string unixPathOf(const std::string& path) {
    using ToUnix = char* (*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        return {};
    }
    std::wstring wide(path.begin(), path.end());
    char* unix = toUnix(wide.c_str());
    if (unix == nullptr) {
        return {};
    }
    std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

bool runHostCommand(const std::string& commandLine) {
    std::string line = "start.exe /wait /unix " + commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

TempFolder::~TempFolder() {
    std::string unixPath = unixPathOf(path_);
    if (!unixPath.empty() && unixPath.find("/rrtest_") != std::string::npos) {
        runHostCommand("/bin/rm -rf " + unixPath);
        return;
    }
    std::vector<char> from(path_.begin(), path_.end());
    from.push_back('\0');
    from.push_back('\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

std::string TempFolder::addFolder(const std::string& relative) {
    std::string full = path_;
    std::size_t start = 0;
    while (start <= relative.size()) {
        std::size_t end = relative.find('\\', start);
        if (end == std::string::npos) {
            end = relative.size();
        }
        full += "\\" + relative.substr(start, end - start);
        CreateDirectoryA(full.c_str(), nullptr);
        start = end + 1;
    }
    return full;
}

std::string TempFolder::addFile(const std::string& relative, const std::string& content) {
    std::size_t slash = relative.rfind('\\');
    if (slash != std::string::npos) {
        addFolder(relative.substr(0, slash));
    }
    std::string full = path_ + "\\" + relative;
    HANDLE file = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
        CloseHandle(file);
    }
    return full;
}

} // namespace rr::test
