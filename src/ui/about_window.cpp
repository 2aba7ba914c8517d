#include "ui/about_window.h"

#include "ui/look.h"
#include "ui/window_class.h"
#include "ui/window_count.h"

namespace rr::ui {

const char kUsageText[] =
    "软件使用步骤：\r\n"
    "1、浏览选择存放压缩文件的目录；\r\n"
    "2、填写后缀名（程序会查找压缩包内是否有该后缀名的文件，如果有会以该文件名作为压缩包修改后"
    "文件名）；\r\n"
    "3、点击 文件更名，开始执行；\r\n"
    "\r\n"
    "软件会自动记录路径和后缀名，减少后期重复输入的麻烦；\r\n"
    "\r\n"
    "\r\n"
    "本软件是一款免费的RAR压缩文件批量改名工具，可以一次为成千上万个压缩包改名，欢迎免费使用"
    "和传播。如果某个压缩包的新文件名已被其他文件占用，该压缩包会被删除并放入回收站，需要时可"
    "以从回收站中还原。";

namespace {

constexpr char kWindowClass[] = "RarRenameAboutWindow";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kUnitStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

// What one about window keeps, owned by the window and reached through GWLP_USERDATA.
struct AboutWindowState {
    HWND window = nullptr;
    HWND ok = nullptr;
    HWND label = nullptr;
    HBRUSH background = nullptr;
};

// Touched only on the window thread.
HWND openWindow = nullptr;

AboutWindowState* stateOf(HWND window) {
    return reinterpret_cast<AboutWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND createUnit(HWND parent, HINSTANCE instance, const char* cls, const char* text, DWORD style,
                DWORD exStyle, const RECT& rect, int id) {
    HWND unit =
        CreateWindowExA(exStyle, cls, text, kUnitStyle | style, rect.left, rect.top,
                        rect.right - rect.left, rect.bottom - rect.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    if (unit != nullptr) {
        SendMessageA(unit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                     FALSE);
    }
    return unit;
}

bool createUnits(AboutWindowState& state, HINSTANCE instance) {
    // Created in stacking order: each child goes below the ones before it.
    state.ok = createUnit(state.window, instance, "BUTTON", kAboutOkText,
                          BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | WS_TABSTOP, 0, kAboutOkRect,
                          kAboutOkId);
    // A plain left-aligned static wraps at word breaks; "&" stays a character.
    state.label = createUnit(state.window, instance, "STATIC", kUsageText, SS_LEFT | SS_NOPREFIX,
                             WS_EX_STATICEDGE, kAboutLabelRect, kAboutLabelId);
    return state.ok != nullptr && state.label != nullptr;
}

LRESULT CALLBACK aboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* state = static_cast<AboutWindowState*>(create->lpCreateParams);
        state->window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        countWindowOpened();
    }
    AboutWindowState* state = stateOf(window);
    if (state == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_CREATE:
        return createUnits(*state, reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance) ? 0 : -1;
    case WM_COMMAND:
        if (LOWORD(wParam) == kAboutOkId && HIWORD(wParam) == BN_CLICKED) {
            DestroyWindow(window);
        }
        return 0;
    case WM_ACTIVATE:
        // OK is the only unit that takes the focus.
        if (LOWORD(wParam) != WA_INACTIVE) {
            SetFocus(state->ok);
        }
        return 0;
    case WM_SETFOCUS:
        if (state->ok != nullptr) {
            SetFocus(state->ok);
        }
        return 0;
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, state->background);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == state->label) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kLabelText);
            SetBkColor(dc, kWindowBlue);
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<LRESULT>(state->background);
        }
        break;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        if (openWindow == window) {
            openWindow = nullptr;
        }
        DeleteObject(state->background);
        delete state;
        countWindowClosed();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void bringToFront(HWND window) {
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    }
    SetForegroundWindow(window);
    SetActiveWindow(window);
}

} // namespace

HWND openAboutWindow(HINSTANCE instance) {
    if (openWindow != nullptr) {
        bringToFront(openWindow);
        return openWindow;
    }
    if (!registerProgramWindowClass(instance, kWindowClass, aboutWindowProc)) {
        return nullptr;
    }
    auto* state = new AboutWindowState;
    state->background = CreateSolidBrush(kWindowBlue);
    POINT origin = centredOrigin(kAboutWindowWidth, kAboutWindowHeight);
    // No owner: the window stands beside the main window with a taskbar button of its own.
    HWND window =
        CreateWindowExA(0, kWindowClass, kAboutWindowCaption, kWindowStyle, origin.x, origin.y,
                        kAboutWindowWidth, kAboutWindowHeight, nullptr, nullptr, instance, state);
    if (window == nullptr) {
        return nullptr; // WM_NCDESTROY has freed the state if the window existed at all
    }
    openWindow = window;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    SetForegroundWindow(window);
    SetFocus(stateOf(window)->ok);
    return window;
}

HWND aboutWindow() {
    return openWindow;
}

bool handleAboutWindowKeys(const MSG& message) {
    HWND window = openWindow;
    if (window == nullptr || message.message != WM_KEYDOWN) {
        return false;
    }
    if (message.hwnd != window && !IsChild(window, message.hwnd)) {
        return false;
    }
    switch (message.wParam) {
    case VK_ESCAPE:
        SendMessageA(window, WM_CLOSE, 0, 0);
        return true;
    case VK_TAB:
    case VK_RETURN:
        if (AboutWindowState* state = stateOf(window)) {
            SetFocus(state->ok);
        }
        return true;
    default:
        return false;
    }
}

} // namespace rr::ui
