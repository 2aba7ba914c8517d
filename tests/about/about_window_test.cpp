#include "ui/about_window.h"
#include "ui/look.h"
#include "ui/window_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The usage steps as the user must read them, then two empty lines.
const char* const kUsageLines[] = {
    "软件使用步骤：",
    "1、浏览选择存放压缩文件的目录；",
    "2、填写后缀名（程序会查找压缩包内是否有该后缀名的文件，如果有会以该文件名作为压缩包修改后文件"
    "名）；",
    "3、点击 文件更名，开始执行；",
    "",
    "软件会自动记录路径和后缀名，减少后期重复输入的麻烦；",
    "",
    "",
};

std::string windowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

RECT rectInClient(HWND window, HWND unit) {
    RECT r;
    GetWindowRect(unit, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void expectRect(const RECT& actual, const RECT& expected) {
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right, expected.right);
    EXPECT_EQ(actual.bottom, expected.bottom);
}

int countAboutWindows() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM counter) -> BOOL {
            char name[64] = {};
            GetClassNameA(window, name, sizeof(name));
            if (std::string(name) == "RarRenameAboutWindow") {
                ++*reinterpret_cast<int*>(counter);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Height of `text` drawn word-wrapped `width` pixels wide in the label's font.
int wrappedHeight(HWND label, const std::string& text, int width) {
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_LEFT);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    return r.bottom - r.top;
}

class AboutWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        about_ = rr::ui::openAboutWindow(GetModuleHandleA(nullptr));
        ASSERT_NE(about_, nullptr);
        rr::test::pumpPending();
    }
    void TearDown() override {
        if (IsWindow(about_)) {
            DestroyWindow(about_);
        }
        rr::test::pumpPending();
        EXPECT_EQ(rr::ui::aboutWindow(), nullptr);
    }
    HWND ok() const { return GetDlgItem(about_, rr::ui::kAboutOkId); }
    HWND label() const { return GetDlgItem(about_, rr::ui::kAboutLabelId); }

    HWND about_ = nullptr;
};

} // namespace

TEST_F(AboutWindowTest, OpensCentredWithItsUnitsInPlace) {
    EXPECT_EQ(windowText(about_), "\xB9\xD8\xD3\xDA"); // "关于"
    RECT outer;
    GetWindowRect(about_, &outer);
    int left = (GetSystemMetrics(SM_CXSCREEN) - 372) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - 384) / 2;
    expectRect(outer, RECT{left, top, left + 372, top + 384});
    expectRect(rectInClient(about_, ok()), RECT{139, 328, 227, 348});
    expectRect(rectInClient(about_, label()), RECT{8, 8, 360, 320});
    EXPECT_EQ(windowText(ok()), "确定");

    LONG style = GetWindowLongA(about_, GWL_STYLE);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(GetWindowLongA(about_, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindow(about_, GW_OWNER), nullptr);
    // OK lies on top, and the label takes no focus.
    EXPECT_EQ(GetWindow(about_, GW_CHILD), ok());
    EXPECT_EQ(GetFocus(), ok());
    EXPECT_FALSE(GetWindowLongA(label(), GWL_STYLE) & WS_TABSTOP);
    EXPECT_FALSE(GetWindowLongA(ok(), GWL_STYLE) & BS_DEFPUSHBUTTON);
}

TEST_F(AboutWindowTest, LabelHoldsTheUsageTextByteForByte) {
    std::string expected;
    for (const char* line : kUsageLines) {
        expected += std::string(line) + "\r\n";
    }
    std::string text = windowText(label());
    ASSERT_GT(text.size(), expected.size());
    EXPECT_EQ(text.substr(0, expected.size()), expected);
    // The closing paragraph: what the tool is, that it is free, where a deleted archive goes.
    std::string closing = text.substr(expected.size());
    EXPECT_NE(closing.find("批量改名"), std::string::npos);
    EXPECT_NE(closing.find("免费"), std::string::npos);
    EXPECT_NE(closing.find("回收站"), std::string::npos);
    EXPECT_EQ(closing.find("\r\n"), std::string::npos);

    LONG style = GetWindowLongA(label(), GWL_STYLE);
    EXPECT_EQ(style & SS_TYPEMASK, SS_LEFT); // word-wrapped, left-aligned
    EXPECT_TRUE(style & SS_NOPREFIX);        // "&" is drawn as it is
    EXPECT_TRUE(GetWindowLongA(label(), GWL_EXSTYLE) & WS_EX_STATICEDGE);
}

TEST_F(AboutWindowTest, LongLinesWrapAndTheWholeTextFitsTheLabel) {
    RECT client;
    GetClientRect(label(), &client);
    int oneLine = wrappedHeight(label(), "软", client.right);
    // The second step is wider than the label and takes further lines...
    EXPECT_GE(wrappedHeight(label(), kUsageLines[2], client.right), 2 * oneLine);
    // ...and with every line wrapped, all of the text still lies above the label's bottom.
    EXPECT_LE(wrappedHeight(label(), rr::ui::kUsageText, client.right), client.bottom);
}

TEST_F(AboutWindowTest, YellowTextOnWindowBlue) {
    UpdateWindow(about_);
    rr::test::pumpPending();
    HDC dc = GetDC(about_);
    EXPECT_EQ(GetPixel(dc, 3, 3), rr::ui::kWindowBlue);
    // Below the text, inside the label's edge.
    EXPECT_EQ(GetPixel(dc, 300, 312), rr::ui::kWindowBlue);
    int yellow = 0;
    for (int x = 10; x < 200; ++x) {
        for (int y = 9; y < 30; ++y) {
            yellow += GetPixel(dc, x, y) == rr::ui::kLabelText ? 1 : 0;
        }
    }
    ReleaseDC(about_, dc);
    EXPECT_GT(yellow, 10);
}

TEST_F(AboutWindowTest, EscOkAndCloseEachCloseIt) {
    MSG esc{ok(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_TRUE(rr::ui::handleAboutWindowKeys(esc));
    EXPECT_FALSE(IsWindow(about_));

    about_ = rr::ui::openAboutWindow(GetModuleHandleA(nullptr));
    SendMessageA(ok(), BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(about_));

    about_ = rr::ui::openAboutWindow(GetModuleHandleA(nullptr));
    SendMessageA(about_, WM_SYSCOMMAND, SC_CLOSE, 0);
    rr::test::pumpPending();
    EXPECT_FALSE(IsWindow(about_));
}

TEST_F(AboutWindowTest, TabAndEnterLeaveTheFocusOnOk) {
    for (WPARAM key : {WPARAM{VK_TAB}, WPARAM{VK_RETURN}}) {
        MSG message{ok(), WM_KEYDOWN, key, 0, 0, {}};
        EXPECT_TRUE(rr::ui::handleAboutWindowKeys(message));
        EXPECT_TRUE(IsWindow(about_));
        EXPECT_EQ(GetFocus(), ok());
    }
    // Keys of other windows are none of its business.
    MSG elsewhere{GetDesktopWindow(), WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
    EXPECT_FALSE(rr::ui::handleAboutWindowKeys(elsewhere));
    EXPECT_TRUE(IsWindow(about_));
}

TEST_F(AboutWindowTest, SecondOpeningBringsTheOneWindowBackRestored) {
    ShowWindow(about_, SW_MINIMIZE);
    rr::test::pumpPending();
    ASSERT_TRUE(IsIconic(about_));
    EXPECT_EQ(rr::ui::openAboutWindow(GetModuleHandleA(nullptr)), about_);
    rr::test::pumpPending();
    EXPECT_FALSE(IsIconic(about_));
    EXPECT_EQ(GetForegroundWindow(), about_);
    EXPECT_EQ(countAboutWindows(), 1);
}
