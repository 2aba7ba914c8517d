#include "ui/main_window.h"

#include "ui/folder_dialog.h"
#include "ui/look.h"
#include "ui/main_window_state.h"
#include "ui/tab_order.h"
#include "ui/window_class.h"
#include "ui/window_count.h"

#include <commctrl.h>

namespace rr::ui {

namespace {

constexpr char kWindowClass[] = "RarRenameMainWindow";
constexpr UINT kRunFinished = WM_APP + 2;
constexpr UINT_PTR kUpperListTimer = 1;
constexpr UINT_PTR kLowerListTimer = 2;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kUnitStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;

struct UnitClass {
    const char* className;
    DWORD style;
    DWORD exStyle;
};

UnitClass unitClass(UnitKind kind) {
    switch (kind) {
    case UnitKind::Button:
        return {WC_BUTTONA, BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | WS_TABSTOP, 0};
    case UnitKind::Edit:
        return {WC_EDITA, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
    case UnitKind::Label:
        return {WC_STATICA, SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 0};
    case UnitKind::List:
        return {WC_LISTVIEWA, LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDATA | WS_TABSTOP,
                WS_EX_CLIENTEDGE};
    }
    return {WC_STATICA, 0, 0};
}

void addColumn(HWND list, int index, const char* title, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(title);
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

void setUpList(HWND list, int pathWidth) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    ListView_SetBkColor(list, kListBackground);
    ListView_SetTextBkColor(list, kListItemBackground);
    ListView_SetTextColor(list, kListItemText);
    addColumn(list, 0, "序号", kNumberColumnWidth);
    addColumn(list, 1, "文件路径", pathWidth);
}

bool createUnits(MainWindowState& state, HINSTANCE instance) {
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    // Children are added below their earlier siblings, so creating them in stacking order
    // leaves the first on top.
    for (const UnitLayout& layout : kMainUnits) {
        UnitClass cls = unitClass(layout.kind);
        HWND unit = CreateWindowExA(
            cls.exStyle, cls.className, layout.text, kUnitStyle | cls.style, layout.left,
            layout.top, layout.width, layout.height, state.window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId(layout.id))), instance, nullptr);
        if (unit == nullptr) {
            return false;
        }
        SendMessageA(unit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (layout.kind == UnitKind::Edit) {
            SendMessageA(unit, EM_SETLIMITTEXT, 0, 0); // no length limit of its own
        }
        state.units[unitIndex(layout.id)] = unit;
    }
    state.upperList.attach(state.unit(UnitId::超级列表框1), kUpperListTimer);
    state.lowerList.attach(state.unit(UnitId::超级列表框2), kLowerListTimer);
    setUpList(state.upperList.handle(), kUpperPathColumnWidth);
    setUpList(state.lowerList.handle(), kLowerPathColumnWidth);
    return true;
}

bool isLabel(const MainWindowState& state, HWND control) {
    for (const UnitLayout& layout : kMainUnits) {
        if (layout.kind == UnitKind::Label && state.unit(layout.id) == control) {
            return true;
        }
    }
    return false;
}

void startRun(MainWindowState& state) {
    if (state.running) {
        return; // a press during a run starts nothing and changes nothing
    }
    RunRequest request;
    request.suffixTest = "." + state.operations->text(UnitId::编辑框_后缀);
    state.stopRequested = std::make_shared<std::atomic<bool>>(false);
    request.stopRequested = state.stopRequested;
    HWND window = state.window;
    request.finished = [window] { PostMessageA(window, kRunFinished, 0, 0); };
    if (!state.handlers.onRenamePressed) {
        return;
    }
    state.running = true;
    state.handlers.onRenamePressed(*state.operations, std::move(request));
}

void onCommand(MainWindowState& state, WPARAM wParam) {
    if (HIWORD(wParam) != BN_CLICKED) {
        return;
    }
    switch (static_cast<int>(LOWORD(wParam))) {
    case controlId(UnitId::按钮1):
        state.operations->setText(UnitId::编辑框_路径, chooseFolder(GetActiveWindow()));
        break;
    case controlId(UnitId::按钮2):
        startRun(state);
        break;
    case controlId(UnitId::按钮3):
        if (state.handlers.onUsagePressed) {
            state.handlers.onUsagePressed(state.window);
        }
        break;
    default:
        break;
    }
}

LRESULT onNotify(MainWindowState& state, const NMHDR& header) {
    if (header.code != LVN_GETDISPINFOA) {
        return 0; // header presses and the rest start nothing
    }
    VirtualList* list = header.hwndFrom == state.upperList.handle()   ? &state.upperList
                        : header.hwndFrom == state.lowerList.handle() ? &state.lowerList
                                                                      : nullptr;
    if (list != nullptr) {
        list->fillDisplayInfo(*reinterpret_cast<NMLVDISPINFOA*>(const_cast<NMHDR*>(&header)));
    }
    return 0;
}

void onActivate(MainWindowState& state, WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(state.window, focus)) {
            state.lastFocus = focus;
        }
        return;
    }
    HWND last = state.lastFocus;
    if (last != nullptr && IsWindow(last) && IsWindowVisible(last) && IsWindowEnabled(last)) {
        SetFocus(last);
        return;
    }
    focusFirstUnit(state);
}

void onClose(MainWindowState& state) {
    if (!state.running) {
        DestroyWindow(state.window);
        return;
    }
    // The run ends after its current archive; the window goes once it has.
    state.closePending = true;
    state.stopRequested->store(true);
    ShowWindow(state.window, SW_HIDE);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* state = static_cast<MainWindowState*>(create->lpCreateParams);
        state->window = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    }
    MainWindowState* state = stateOf(window);
    if (state == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    switch (message) {
    case WM_CREATE:
        return createUnits(*state, reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance) ? 0 : -1;
    case WM_COMMAND:
        onCommand(*state, wParam);
        return 0;
    case WM_NOTIFY:
        return onNotify(*state, *reinterpret_cast<NMHDR*>(lParam));
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, state->background);
        return 1;
    }
    case WM_CTLCOLORSTATIC:
        if (isLabel(*state, reinterpret_cast<HWND>(lParam))) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kLabelText);
            SetBkColor(dc, kWindowBlue);
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<LRESULT>(state->background);
        }
        break;
    case WM_CTLCOLOREDIT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kEditText);
        SetBkColor(dc, kEditBackground);
        return reinterpret_cast<LRESULT>(state->editBackground);
    }
    case WM_TIMER:
        if (wParam == kUpperListTimer) {
            state->upperList.refreshCount();
        } else if (wParam == kLowerListTimer) {
            state->lowerList.refreshCount();
        }
        return 0;
    case WM_ACTIVATE:
        onActivate(*state, wParam);
        return 0;
    case WM_CLOSE:
        onClose(*state);
        return 0;
    case kRunFinished:
        state->running = false;
        state->upperList.refreshCount();
        state->lowerList.refreshCount();
        if (state->closePending) {
            DestroyWindow(window);
        }
        return 0;
    case kCallOnWindowThread:
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        return 0;
    case WM_DESTROY:
        if (state->handlers.onDestroying) {
            state->handlers.onDestroying(*state->operations);
        }
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        DeleteObject(state->background);
        DeleteObject(state->editBackground);
        delete state;
        countWindowClosed();
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

MainWindowState* stateOf(HWND window) {
    if (window == nullptr || !IsWindow(window)) {
        return nullptr;
    }
    return reinterpret_cast<MainWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

HWND createMainWindow(HINSTANCE instance, MainWindowHandlers handlers) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    if (!registerProgramWindowClass(instance, kWindowClass, mainWindowProc)) {
        return nullptr;
    }
    auto* state = new MainWindowState;
    state->handlers = std::move(handlers);
    state->background = CreateSolidBrush(kWindowBlue);
    state->editBackground = CreateSolidBrush(kEditBackground);
    POINT origin = centredOrigin(kMainWindowWidth, kMainWindowHeight);
    countWindowOpened();
    HWND window =
        CreateWindowExA(0, kWindowClass, kMainWindowCaption, kWindowStyle, origin.x, origin.y,
                        kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, state);
    if (window == nullptr) {
        return nullptr; // WM_NCDESTROY has freed the state if the window existed at all
    }
    state->operations = std::make_unique<WindowUnits>(window);
    if (state->handlers.onCreated) {
        state->handlers.onCreated(*state->operations);
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    focusFirstUnit(*state);
    return window;
}

Units& unitsOf(HWND mainWindow) {
    return *stateOf(mainWindow)->operations;
}

bool runInProgress(HWND mainWindow) {
    MainWindowState* state = stateOf(mainWindow);
    return state != nullptr && state->running;
}

} // namespace rr::ui
