// The whole rename run under Wine: the real window, the real myrar.exe carried by the test
// program, real archives in a temporary tree.

#include "app/rename_job.h"
#include "rar_writer.h"
#include "ui/main_window.h"
#include "ui/window_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

using rr::ui::UnitId;

namespace {

using Names = std::vector<std::string>;

rar_writer::Archive archiveOf(const Names& names) {
    rar_writer::Archive a;
    for (const auto& name : names) {
        rar_writer::Item item;
        item.name = name;
        item.data = "data";
        a.items.push_back(item);
    }
    return a;
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class RenameRun : public testing::Test {
protected:
    void SetUp() override {
        rr::ui::MainWindowHandlers handlers;
        handlers.onRenamePressed = [this](rr::ui::Units& units, rr::ui::RunRequest request) {
            job_.start(units, std::move(request));
        };
        main_ = rr::ui::createMainWindow(GetModuleHandleA(nullptr), std::move(handlers));
        ASSERT_NE(main_, nullptr);
        rr::test::pumpPending();
    }
    void TearDown() override {
        if (IsWindow(main_)) {
            DestroyWindow(main_);
        }
        rr::test::pumpPending();
    }

    std::string archive(const std::string& relative, const rar_writer::Archive& a) {
        std::string path = folder_.addFile(relative, "");
        EXPECT_TRUE(rar_writer::saveFile(path, rar_writer::write(a)));
        return path;
    }
    std::string at(const std::string& relative) { return folder_.path() + "\\" + relative; }

    void run(const std::string& suffix = "exe") {
        rr::ui::Units& units = rr::ui::unitsOf(main_);
        units.setText(UnitId::编辑框_路径, folder_.path());
        units.setText(UnitId::编辑框_后缀, suffix);
        pressRename();
        ASSERT_TRUE(rr::test::pumpUntil([this] { return !rr::ui::runInProgress(main_); }, 60000));
    }
    void pressRename() {
        HWND button = nullptr;
        EnumChildWindows(
            main_,
            [](HWND child, LPARAM out) {
                char text[32] = {};
                GetWindowTextA(child, text, sizeof(text));
                if (std::string(text) == "文件更名") {
                    *reinterpret_cast<HWND*>(out) = child;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&button));
        ASSERT_NE(button, nullptr);
        SendMessageA(button, BM_CLICK, 0, 0);
    }
    Names column(UnitId list, int col) {
        rr::ui::Units& units = rr::ui::unitsOf(main_);
        Names cells;
        for (int row = 0; row < units.rowCount(list); ++row) {
            cells.push_back(units.cell(list, row, col));
        }
        return cells;
    }
    std::string label3() { return rr::ui::unitsOf(main_).text(UnitId::标签3); }
    // The lower list's row about `path`, or empty text.
    std::string reportOn(const std::string& path) {
        for (const auto& cell : column(UnitId::超级列表框2, 1)) {
            if (cell.compare(0, path.size() + 1, path + " ") == 0) {
                return cell;
            }
        }
        return {};
    }

    rr::test::TempFolder folder_;
    rr::app::RenameJob job_;
    HWND main_ = nullptr;
};

const std::string kNameTaken = "文件已存在！该文件被删除！";

TEST_F(RenameRun, TheTableOfCases) {
    std::string setup = archive("a.rar", archiveOf({"readme.txt", "setup.exe"}));
    std::string nested = archive("b.rar", archiveOf({"data/readme.txt", "app/bin/start.exe"}));
    std::string named = archive("tool.rar", archiveOf({"tool.exe"}));
    std::string upper = archive("UP.RAR", archiveOf({"Setup2.EXE"}));
    std::string text = folder_.addFile("notes.txt", "hello");
    std::string notArchive = folder_.addFile("fake.rar", "not an archive at all");
    rar_writer::Archive ours = archiveOf({"secret.exe"});
    ours.headerPassword = "qk5913";
    std::string encOurs = archive("enc1.rar", ours);
    rar_writer::Archive theirs = archiveOf({"hidden.exe"});
    theirs.headerPassword = "other";
    std::string encTheirs = archive("enc2.rar", theirs);
    std::string locked = archive("locked.rar", archiveOf({"lockedname.exe"}));
    rar_writer::Archive first = archiveOf({"big.exe"});
    first.volume = first.firstVolume = first.moreVolumes = true;
    std::string volume1 = archive("set.part1.rar", first);
    rar_writer::Archive second = archiveOf({"big.exe"});
    second.volume = true;
    second.volumeNumber = 1;
    second.items[0].splitBefore = true;
    std::string volume2 = archive("set.part2.rar", second);
    std::string con = archive("h1.rar", archiveOf({"CON.exe"}));
    std::string colon = archive("h2.rar", archiveOf({"a:b.exe"}));
    std::string spaced = archive("h3.rar", archiveOf({"x .exe"}));
    std::string climb = archive("h4.rar", archiveOf({"../../evil.exe"}));
    std::string dupA = archive("dup\\one.rar", archiveOf({"same.exe"}));
    std::string dupB = archive("dup\\two.rar", archiveOf({"x/same.exe"}));

    HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    run();
    CloseHandle(hold);

    EXPECT_FALSE(exists(setup));
    EXPECT_TRUE(exists(at("setup.rar")));
    EXPECT_TRUE(exists(at("start.rar")));
    EXPECT_TRUE(exists(named)) << "an archive already named after its entry stays";
    EXPECT_TRUE(exists(at("Setup2.rar")));
    EXPECT_TRUE(exists(text));
    EXPECT_TRUE(exists(notArchive));
    EXPECT_TRUE(exists(at("secret.rar")));
    EXPECT_TRUE(exists(encTheirs));
    EXPECT_TRUE(exists(locked));
    EXPECT_TRUE(exists(volume1));
    EXPECT_TRUE(exists(volume2));
    EXPECT_TRUE(exists(con));
    EXPECT_TRUE(exists(colon));
    EXPECT_TRUE(exists(at("x .rar")));
    EXPECT_TRUE(exists(at("evil.rar")));
    EXPECT_TRUE(exists(at("dup\\same.rar")));
    EXPECT_FALSE(exists(dupA) || exists(dupB)) << "one of the pair renamed, the other gone";

    // Rows of the lower list: one per archive acted on, numbered from 1.
    Names reports = column(UnitId::超级列表框2, 1);
    EXPECT_EQ(reports.size(), 8u);
    Names numbers = column(UnitId::超级列表框2, 0);
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        EXPECT_EQ(numbers[i], std::to_string(i + 1));
    }
    EXPECT_EQ(reportOn(setup), setup + " → setup.rar");
    // Whichever the folder listed first took the name; the other went to the Recycle Bin.
    bool aFirst = reportOn(dupA) == dupA + " → same.rar";
    std::string gone = aFirst ? dupB : dupA;
    EXPECT_EQ(reportOn(gone), gone + "  " + kNameTaken);
    for (const auto& untouched : {named, text, notArchive, encTheirs, locked, volume1, con}) {
        EXPECT_EQ(reportOn(untouched), "") << untouched;
    }
    EXPECT_EQ(label3(), "RAR文件名称修改完毕！");
    EXPECT_EQ(column(UnitId::超级列表框1, 1).size(), 17u);
}

TEST_F(RenameRun, EmptySuffixAndSuffixWithItsDotMatchNothingOrdinary) {
    std::string a = archive("a.rar", archiveOf({"setup.exe"}));
    run("");
    EXPECT_TRUE(exists(a));
    run(".exe");
    EXPECT_TRUE(exists(a));
    EXPECT_TRUE(column(UnitId::超级列表框2, 1).empty());
    EXPECT_EQ(label3(), "RAR文件名称修改完毕！");
}

TEST_F(RenameRun, EmptyFolderStillEndsWithTheClosingMessage) {
    run();
    EXPECT_EQ(label3(), "RAR文件名称修改完毕！");
}

} // namespace
