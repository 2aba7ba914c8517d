// Presses 按钮2 of the running tool, as a click would, and waits for the closing message.

#include "ui/main_window_layout.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr char kMainWindowClass[] = "RarRenameMainWindow";
constexpr char kDone[] = "RAR文件名称修改完毕！";
constexpr DWORD kWaitMs = 60000;
constexpr DWORD kPollMs = 100;

std::string textOf(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

} // namespace

int main() {
    HWND main = nullptr;
    for (DWORD waited = 0; main == nullptr && waited < kWaitMs; waited += kPollMs) {
        main = FindWindowA(kMainWindowClass, nullptr);
        Sleep(kPollMs);
    }
    if (main == nullptr) {
        std::fprintf(stderr, "the tool's window did not appear\n");
        return 1;
    }
    HWND button = GetDlgItem(main, rr::ui::controlId(rr::ui::UnitId::按钮2));
    HWND progress = GetDlgItem(main, rr::ui::controlId(rr::ui::UnitId::标签3));
    SendMessageA(button, BM_CLICK, 0, 0);
    for (DWORD waited = 0; waited < kWaitMs; waited += kPollMs) {
        if (textOf(progress) == kDone) {
            return 0;
        }
        Sleep(kPollMs);
    }
    std::fprintf(stderr, "the run did not finish in time\n");
    return 1;
}
