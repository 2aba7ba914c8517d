#include "app/rename_job.h"
#include "ui/look.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/tab_order.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <set>

using rr::ui::UnitId;

namespace {

struct WindowCloser {
    HWND window;
    ~WindowCloser() {
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
        rr::test::pumpPending();
    }
};

HWND unitWindow(HWND main, UnitId id) {
    return GetDlgItem(main, rr::ui::controlId(id));
}

std::string className(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string windowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

RECT rectInClient(HWND main, HWND unit) {
    RECT r;
    GetWindowRect(unit, &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void pressTab(HWND main, bool shift) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG message{GetFocus(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
    EXPECT_TRUE(rr::ui::handleMainWindowKeys(main, message));
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        rr::ui::MainWindowHandlers handlers;
        handlers.onRenamePressed = [this](rr::ui::Units& units, rr::ui::RunRequest request) {
            job_.start(units, std::move(request));
        };
        main_ = rr::ui::createMainWindow(GetModuleHandleA(nullptr), std::move(handlers));
        ASSERT_NE(main_, nullptr);
        SetForegroundWindow(main_);
        rr::test::pumpPending();
    }
    void TearDown() override {
        if (IsWindow(main_)) {
            DestroyWindow(main_);
        }
        rr::test::pumpPending();
    }

    HWND unit(UnitId id) const { return unitWindow(main_, id); }

    // Presses 按钮2 and waits for the run to end.
    void runCollection(const std::string& directory) {
        rr::ui::Units& units = rr::ui::unitsOf(main_);
        units.setText(UnitId::编辑框_路径, directory);
        SendMessageA(unit(UnitId::按钮2), BM_CLICK, 0, 0);
        ASSERT_TRUE(rr::test::pumpUntil([this] { return !rr::ui::runInProgress(main_); }));
    }

    std::vector<std::string> column(UnitId list, int col) {
        rr::ui::Units& units = rr::ui::unitsOf(main_);
        std::vector<std::string> cells;
        for (int row = 0; row < units.rowCount(list); ++row) {
            cells.push_back(units.cell(list, row, col));
        }
        return cells;
    }

    rr::app::RenameJob job_;
    std::shared_ptr<const std::atomic<bool>> stop_;
    HWND main_ = nullptr;
};

} // namespace

TEST_F(MainWindowTest, WindowFrameSizeAndPlace) {
    RECT r;
    GetWindowRect(main_, &r);
    EXPECT_EQ(r.right - r.left, 560);
    EXPECT_EQ(r.bottom - r.top, 409);
    EXPECT_EQ(r.left, (GetSystemMetrics(SM_CXSCREEN) - 560) / 2);
    EXPECT_EQ(r.top, (GetSystemMetrics(SM_CYSCREEN) - 409) / 2);
    LONG style = GetWindowLongA(main_, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_EQ(GetMenu(main_), nullptr);
    EXPECT_EQ(windowText(main_).rfind("VeskoRAR批量改名工具 V2.1", 0), 0u);
    EXPECT_GT(windowText(main_).size(), std::string("VeskoRAR批量改名工具 V2.1").size());
}

TEST_F(MainWindowTest, UnitsInStackingOrderWithTheirPlacesAndTexts) {
    HWND child = GetWindow(main_, GW_CHILD);
    HFONT guiFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    for (const rr::ui::UnitLayout& layout : rr::ui::kMainUnits) {
        HWND u = unit(layout.id);
        ASSERT_NE(u, nullptr);
        EXPECT_EQ(child, u) << "stacking order at " << layout.text;
        child = GetWindow(child, GW_HWNDNEXT);
        RECT r = rectInClient(main_, u);
        EXPECT_EQ(r.left, layout.left) << layout.text;
        EXPECT_EQ(r.top, layout.top) << layout.text;
        EXPECT_EQ(r.right - r.left, layout.width) << layout.text;
        EXPECT_EQ(r.bottom - r.top, layout.height) << layout.text;
        EXPECT_TRUE(IsWindowVisible(u) && IsWindowEnabled(u));
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(u, WM_GETFONT, 0, 0)), guiFont);
        LONG style = GetWindowLongA(u, GWL_STYLE);
        LONG ex = GetWindowLongA(u, GWL_EXSTYLE);
        switch (layout.kind) {
        case rr::ui::UnitKind::Button:
            EXPECT_EQ(className(u), "Button");
            EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
            EXPECT_TRUE(style & WS_TABSTOP);
            EXPECT_EQ(windowText(u), layout.text);
            break;
        case rr::ui::UnitKind::Edit:
            EXPECT_EQ(className(u), "Edit");
            EXPECT_TRUE(style & ES_AUTOHSCROLL);
            EXPECT_FALSE(style & (ES_PASSWORD | ES_READONLY | ES_NUMBER | ES_UPPERCASE |
                                  ES_LOWERCASE | ES_MULTILINE | ES_NOHIDESEL));
            EXPECT_TRUE(ex & WS_EX_CLIENTEDGE);
            break;
        case rr::ui::UnitKind::Label:
            EXPECT_EQ(className(u), "Static");
            EXPECT_TRUE(style & SS_NOPREFIX);
            EXPECT_TRUE(style & SS_CENTERIMAGE);
            EXPECT_FALSE(style & WS_TABSTOP);
            EXPECT_FALSE(style & WS_BORDER);
            EXPECT_EQ(windowText(u), layout.text);
            break;
        case rr::ui::UnitKind::List:
            EXPECT_EQ(className(u), "SysListView32");
            EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
            EXPECT_TRUE(style & LVS_SINGLESEL);
            EXPECT_FALSE(style & (LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | LVS_EDITLABELS));
            EXPECT_TRUE(ex & WS_EX_CLIENTEDGE);
            EXPECT_EQ(ListView_GetExtendedListViewStyle(u) &
                          (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES |
                           LVS_EX_HEADERDRAGDROP | LVS_EX_TRACKSELECT),
                      static_cast<DWORD>(LVS_EX_FULLROWSELECT));
            EXPECT_EQ(ListView_GetItemCount(u), 0);
            break;
        }
    }
    EXPECT_EQ(child, nullptr);
    // The edit box's template text until settings replace it.
    EXPECT_EQ(windowText(unit(UnitId::编辑框_后缀)), "exe");
}

TEST_F(MainWindowTest, ListColumnsAndColours) {
    struct {
        UnitId list;
        int pathWidth;
    } lists[] = {{UnitId::超级列表框1, 480}, {UnitId::超级列表框2, 800}};
    for (const auto& l : lists) {
        HWND u = unit(l.list);
        EXPECT_EQ(ListView_GetColumnWidth(u, 0), 40);
        EXPECT_EQ(ListView_GetColumnWidth(u, 1), l.pathWidth);
        char title[32] = {};
        LVCOLUMNA col{};
        col.mask = LVCF_TEXT | LVCF_FMT;
        col.pszText = title;
        col.cchTextMax = sizeof(title);
        ASSERT_TRUE(SendMessageA(u, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&col)));
        EXPECT_STREQ(title, "序号");
        EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
        col.cchTextMax = sizeof(title);
        ASSERT_TRUE(SendMessageA(u, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&col)));
        EXPECT_STREQ(title, "文件路径");
        EXPECT_EQ(ListView_GetBkColor(u), RGB(0, 0, 255));
        EXPECT_EQ(ListView_GetTextColor(u), RGB(0, 0, 0));
        EXPECT_EQ(ListView_GetTextBkColor(u), RGB(255, 255, 255));
    }
}

TEST_F(MainWindowTest, LabelAndEditColours) {
    HDC dc = CreateCompatibleDC(nullptr);
    auto brushColour = [](LRESULT brush) {
        LOGBRUSH lb{};
        GetObjectA(reinterpret_cast<HBRUSH>(brush), sizeof(lb), &lb);
        return lb.lbColor;
    };
    for (UnitId label : {UnitId::标签1, UnitId::标签2, UnitId::标签3, UnitId::标签4}) {
        LRESULT brush = SendMessageA(main_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(unit(label)));
        EXPECT_EQ(GetTextColor(dc), RGB(255, 255, 0));
        EXPECT_EQ(GetBkColor(dc), RGB(0, 136, 255));
        EXPECT_EQ(brushColour(brush), RGB(0, 136, 255));
    }
    for (UnitId edit : {UnitId::编辑框_路径, UnitId::编辑框_后缀}) {
        LRESULT brush = SendMessageA(main_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(unit(edit)));
        EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
        EXPECT_EQ(GetBkColor(dc), RGB(255, 255, 0));
        EXPECT_EQ(brushColour(brush), RGB(255, 255, 0));
    }
    DeleteDC(dc);
    // The window's own background.
    HDC windowDc = GetDC(main_);
    SendMessageA(main_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(windowDc), 0);
    EXPECT_EQ(GetPixel(windowDc, 2, 2), RGB(0, 136, 255));
    ReleaseDC(main_, windowDc);
}

TEST_F(MainWindowTest, TabCycleBothWaysAndPastADisabledButton) {
    const std::vector<UnitId> order{UnitId::超级列表框1, UnitId::按钮2,       UnitId::按钮1,
                                    UnitId::编辑框_路径, UnitId::超级列表框2, UnitId::编辑框_后缀,
                                    UnitId::按钮3};
    EXPECT_EQ(GetFocus(), unit(UnitId::超级列表框1)) << "first unit of the tab order";
    for (std::size_t i = 1; i <= order.size(); ++i) {
        pressTab(main_, false);
        EXPECT_EQ(GetFocus(), unit(order[i % order.size()])) << "forward step " << i;
    }
    for (std::size_t i = order.size(); i-- > 0;) {
        pressTab(main_, true);
        EXPECT_EQ(GetFocus(), unit(order[i])) << "backward to " << i;
    }
    rr::ui::unitsOf(main_).setEnabled(UnitId::按钮2, false);
    SetFocus(unit(UnitId::超级列表框1));
    pressTab(main_, false);
    EXPECT_EQ(GetFocus(), unit(UnitId::按钮1));
    pressTab(main_, true);
    EXPECT_EQ(GetFocus(), unit(UnitId::超级列表框1));
}

TEST_F(MainWindowTest, EscAndEnterDoNothing) {
    SetFocus(unit(UnitId::按钮1));
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        MSG message{GetFocus(), WM_KEYDOWN, key, 0, 0, {}};
        EXPECT_TRUE(rr::ui::handleMainWindowKeys(main_, message));
    }
    rr::test::pumpPending();
    EXPECT_TRUE(IsWindow(main_));
    EXPECT_EQ(GetFocus(), unit(UnitId::按钮1));
}

TEST_F(MainWindowTest, FocusComesBackOnReactivation) {
    SetFocus(unit(UnitId::编辑框_后缀));
    SendMessageA(main_, WM_ACTIVATE, WA_INACTIVE, 0);
    SetFocus(nullptr);
    SendMessageA(main_, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), unit(UnitId::编辑框_后缀));
}

TEST_F(MainWindowTest, UnitOperationsFromAWorkerThread) {
    rr::ui::Units& units = rr::ui::unitsOf(main_);
    bool done = false;
    std::string read;
    int row = -2;
    std::thread worker([&] {
        units.setText(UnitId::标签3, "正在修改第1个文件名称。");
        row = units.insertRow(UnitId::超级列表框2);
        units.setCell(UnitId::超级列表框2, row, 0, "1");
        units.setCell(UnitId::超级列表框2, row, 1, std::string(5000, 'p'));
        read = units.cell(UnitId::超级列表框2, row, 1);
        done = true;
    });
    EXPECT_TRUE(rr::test::pumpUntil([&] { return done; }));
    worker.join();
    EXPECT_EQ(row, 0);
    EXPECT_EQ(read.size(), 5000u) << "a cell comes back whole, however long";
    EXPECT_EQ(windowText(unit(UnitId::标签3)), "正在修改第1个文件名称。");
    EXPECT_EQ(ListView_GetItemCount(unit(UnitId::超级列表框2)), 1);
}

TEST_F(MainWindowTest, CollectionOfAnEmptyFolder) {
    rr::test::TempFolder folder;
    runCollection(folder.path());
    EXPECT_EQ(windowText(unit(UnitId::标签2)), "文件数量：0");
    EXPECT_TRUE(column(UnitId::超级列表框1, 1).empty());
    EXPECT_TRUE(column(UnitId::超级列表框2, 1).empty());
    EXPECT_TRUE(IsWindowEnabled(unit(UnitId::按钮2)));
}

TEST_F(MainWindowTest, CollectionListsFilesBeforeSubfolders) {
    rr::test::TempFolder folder;
    std::string a = folder.addFile("a.rar");
    std::string b = folder.addFile("b.txt");
    std::string c = folder.addFile("sub\\c.rar");
    runCollection(folder.path());
    EXPECT_EQ(windowText(unit(UnitId::标签2)), "文件数量：3");
    std::vector<std::string> paths = column(UnitId::超级列表框1, 1);
    ASSERT_EQ(paths.size(), 3u);
    EXPECT_EQ(std::set<std::string>(paths.begin(), paths.begin() + 2),
              (std::set<std::string>{a, b}));
    EXPECT_EQ(paths[2], c);
    EXPECT_EQ(column(UnitId::超级列表框1, 0), (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(ListView_GetItemCount(unit(UnitId::超级列表框1)), 3);
}

TEST_F(MainWindowTest, CollectionNumbersWithoutPaddingAndASecondRunShowsOnlyItsRows) {
    rr::test::TempFolder ten;
    for (int i = 0; i < 10; ++i) {
        ten.addFile("f" + std::to_string(i) + ".dat");
    }
    runCollection(ten.path());
    std::vector<std::string> numbers = column(UnitId::超级列表框1, 0);
    ASSERT_EQ(numbers.size(), 10u);
    EXPECT_EQ(numbers[9], "10");
    rr::ui::unitsOf(main_).appendRows(UnitId::超级列表框2, {{"1", "left from before"}});

    rr::test::TempFolder one;
    std::string only = one.addFile("only.rar");
    runCollection(one.path());
    EXPECT_EQ(windowText(unit(UnitId::标签2)), "文件数量：1");
    EXPECT_EQ(column(UnitId::超级列表框1, 1), (std::vector<std::string>{only}));
    EXPECT_TRUE(column(UnitId::超级列表框2, 1).empty());
}

TEST_F(MainWindowTest, CollectionOfAMissingFolderOrAnEmptyBox) {
    runCollection("C:\\no\\such\\folder");
    EXPECT_EQ(windowText(unit(UnitId::标签2)), "文件数量：0");
    EXPECT_TRUE(column(UnitId::超级列表框1, 1).empty());
    runCollection("");
    EXPECT_EQ(windowText(unit(UnitId::标签2)), "文件数量：0");
    EXPECT_TRUE(column(UnitId::超级列表框1, 1).empty());
    EXPECT_EQ(column(UnitId::超级列表框2, 1).size(), 1u) << "the empty box is explained";
}

TEST_F(MainWindowTest, ClosingDuringARunWaitsForItsEnd) {
    rr::ui::MainWindowHandlers handlers;
    std::function<void()> finish;
    handlers.onRenamePressed = [&](rr::ui::Units&, rr::ui::RunRequest request) {
        finish = request.finished;
        EXPECT_FALSE(request.stopRequested->load());
        stop_ = request.stopRequested;
    };
    HWND window = rr::ui::createMainWindow(GetModuleHandleA(nullptr), std::move(handlers));
    WindowCloser closer{window};
    SendMessageA(unitWindow(window, UnitId::按钮2), BM_CLICK, 0, 0);
    ASSERT_TRUE(rr::ui::runInProgress(window));
    SendMessageA(unitWindow(window, UnitId::按钮2), BM_CLICK, 0, 0); // ignored
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_TRUE(stop_->load());
    finish();
    EXPECT_TRUE(rr::test::pumpUntil([&] { return !IsWindow(window); }));
}

namespace {

// Answers the folder dialog from another thread: selects `typed` in its tree (when not empty)
// and presses OK, or presses Cancel when `ok` is false.
HWND findFolderDialog(DWORD uiThread) {
    HWND dialog = nullptr;
    EnumThreadWindows(
        uiThread,
        [](HWND w, LPARAM out) {
            if (className(w) == "#32770" && IsWindowVisible(w)) {
                *reinterpret_cast<HWND*>(out) = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

// The text of the folder tree's selected item, read on the dialog's own thread.
std::string selectedTreeText(HWND dialog) {
    HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
    if (tree == nullptr) {
        return {};
    }
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (item == nullptr) {
        return {};
    }
    char text[MAX_PATH] = {};
    TVITEMA tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = text;
    tv.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tv));
    return text;
}

// Answers the folder dialog from another thread. The dialog fills its tree after it shows and
// may move the selection back to the top while it does, so a selection is sent again until
// the tree shows `expectedItem` selected; only then is OK pressed.
void answerFolderDialog(DWORD uiThread, std::string typed, std::string expectedItem, bool ok) {
    HWND dialog = nullptr;
    for (int tries = 0; tries < 500 && dialog == nullptr; ++tries) {
        dialog = findFolderDialog(uiThread);
        if (dialog == nullptr) {
            Sleep(20);
        }
    }
    if (dialog == nullptr) {
        return;
    }
    for (int tries = 0; !typed.empty() && tries < 100; ++tries) {
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(typed.c_str()));
        Sleep(50);
        if (selectedTreeText(dialog).find(expectedItem) != std::string::npos) {
            break;
        }
    }
    PostMessageA(dialog, WM_COMMAND, ok ? IDOK : IDCANCEL, 0);
}

} // namespace

TEST_F(MainWindowTest, FolderDialogCancelEmptiesTheDirectoryBox) {
    rr::ui::unitsOf(main_).setText(UnitId::编辑框_路径, "D:\\before");
    std::thread answer(answerFolderDialog, GetCurrentThreadId(), "", "", false);
    SendMessageA(unit(UnitId::按钮1), BM_CLICK, 0, 0); // returns when the dialog has closed
    answer.join();
    EXPECT_EQ(windowText(unit(UnitId::编辑框_路径)), "");
}

TEST_F(MainWindowTest, FolderDialogGivesTheChosenPath) {
    rr::test::TempFolder folder;
    const std::string folderName = folder.path().substr(folder.path().rfind('\\') + 1);
    struct {
        std::string typed, treeItem, expected;
    } cases[] = {{"C:\\", "C:", "C:\\"}, {folder.path(), folderName, folder.path()}};
    for (const auto& c : cases) {
        std::thread answer(answerFolderDialog, GetCurrentThreadId(), c.typed, c.treeItem, true);
        SendMessageA(unit(UnitId::按钮1), BM_CLICK, 0, 0);
        answer.join();
        EXPECT_EQ(windowText(unit(UnitId::编辑框_路径)), c.expected) << c.typed;
    }
}

TEST_F(MainWindowTest, CollectionPassesOverPathsLongerThanMaxPath) {
    rr::test::TempFolder folder;
    std::string file = folder.addFile("sub\\a.rar");
    // A folder chain longer than MAX_PATH, with a file at its end.
    std::wstring deep = L"\\\\?\\" + std::wstring(folder.path().begin(), folder.path().end());
    for (int i = 0; i < 30; ++i) {
        deep += L"\\level_of_ten" + std::to_wstring(i);
        CreateDirectoryW(deep.c_str(), nullptr);
    }
    HANDLE farFile = CreateFileW((deep + L"\\far.rar").c_str(), GENERIC_WRITE, 0, nullptr,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(farFile, INVALID_HANDLE_VALUE);
    CloseHandle(farFile);

    runCollection(folder.path());
    std::vector<std::string> paths = column(UnitId::超级列表框1, 1);
    EXPECT_EQ(paths, (std::vector<std::string>{file}));
}
