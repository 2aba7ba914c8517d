#include "settings/settings_file.h"
#include "settings/settings_keeper.h"
#include "support/fake_units.h"
#include "ui/main_window.h"
#include "ui/window_test_support.h"

#include <gtest/gtest.h>

using rr::settings::SettingsKeeper;
using rr::ui::UnitId;

namespace {

// A fake whose boxes start with the main window's template texts.
rr::test::FakeUnits freshUnits() {
    rr::test::FakeUnits units;
    units.texts[UnitId::编辑框_路径] = "";
    units.texts[UnitId::编辑框_后缀] = "exe";
    return units;
}

} // namespace

TEST(SettingsKeeper, FirstStartEmptiesBothBoxes) {
    rr::test::TempFolder folder;
    rr::test::FakeUnits units = freshUnits();
    units.texts[UnitId::编辑框_路径] = "left over";
    SettingsKeeper(folder.path()).load(units);
    EXPECT_EQ(units.texts[UnitId::编辑框_路径], "");
    EXPECT_EQ(units.texts[UnitId::编辑框_后缀], "");
}

TEST(SettingsKeeper, OnlyPathStoredLeavesSuffixEmpty) {
    rr::test::TempFolder folder;
    folder.addFile("peizhi.ini", "[配置]\r\n路径=D:\\下载\\游戏\r\n");
    rr::test::FakeUnits units = freshUnits();
    SettingsKeeper(folder.path()).load(units);
    EXPECT_EQ(units.texts[UnitId::编辑框_路径], "D:\\下载\\游戏");
    EXPECT_EQ(units.texts[UnitId::编辑框_后缀], "");
}

TEST(SettingsKeeper, SavedBoxesComeBackAtTheNextStart) {
    struct Case {
        const char* name;
        std::string path;
        std::string suffix;
    };
    const Case cases[] = {
        {"chinese path", "E:\\压缩文件\\2024年", "exe"},
        {"empty path box", "", "iso"},
        {"empty suffix box", "C:\\data", ""},
        {"path with trail byte 0x5C", "C:\\\x9C\x5C", ".exe"},
    };
    rr::test::TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rr::test::FakeUnits before;
        before.texts[UnitId::编辑框_路径] = c.path;
        before.texts[UnitId::编辑框_后缀] = c.suffix;
        SettingsKeeper keeper(folder.path());
        ASSERT_TRUE(keeper.save(before));

        rr::test::FakeUnits after = freshUnits();
        SettingsKeeper(folder.path()).load(after);
        EXPECT_EQ(after.texts[UnitId::编辑框_路径], c.path);
        EXPECT_EQ(after.texts[UnitId::编辑框_后缀], c.suffix);
    }
}

TEST(SettingsKeeper, FailedSaveIsToldOnceInTheLowerList) {
    rr::test::TempFolder folder;
    SettingsKeeper keeper(folder.path() + "\\absent");
    rr::test::FakeUnits units = freshUnits();
    units.rows[UnitId::超级列表框2] = {{"1", "C:\\a.rar"}};

    EXPECT_FALSE(keeper.save(units));
    keeper.tellSaveFailureOnce(units);
    EXPECT_FALSE(keeper.save(units));
    keeper.tellSaveFailureOnce(units);

    const auto& rows = units.rows[UnitId::超级列表框2];
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].number, "2");
    EXPECT_EQ(rows[1].path, rr::settings::kSaveFailedText);
    EXPECT_TRUE(units.history[UnitId::标签3].empty());
}

TEST(SettingsKeeper, SuccessfulSaveTellsNothing) {
    rr::test::TempFolder folder;
    SettingsKeeper keeper(folder.path());
    rr::test::FakeUnits units = freshUnits();
    EXPECT_TRUE(keeper.save(units));
    keeper.tellSaveFailureOnce(units);
    EXPECT_TRUE(units.rows[UnitId::超级列表框2].empty());
}

// The real window: its creation event loads, so the template "exe" never survives a first
// start, and its destruction event saves what the boxes hold then.
TEST(SettingsKeeper, MainWindowLoadsAtCreationAndSavesAtDestruction) {
    rr::test::TempFolder folder;
    SettingsKeeper keeper(folder.path());
    rr::ui::MainWindowHandlers handlers;
    handlers.onCreated = [&keeper](rr::ui::Units& units) { keeper.load(units); };
    handlers.onDestroying = [&keeper](rr::ui::Units& units) { keeper.save(units); };
    HWND window = rr::ui::createMainWindow(GetModuleHandleA(nullptr), std::move(handlers));
    ASSERT_NE(window, nullptr);
    rr::ui::Units& units = rr::ui::unitsOf(window);
    EXPECT_EQ(units.text(UnitId::编辑框_路径), "");
    EXPECT_EQ(units.text(UnitId::编辑框_后缀), "");

    units.setText(UnitId::编辑框_路径, "D:\\新建文件夹");
    units.setText(UnitId::编辑框_后缀, "apk");
    DestroyWindow(window);
    rr::test::pumpPending();

    std::string file = rr::settings::settingsFilePath(folder.path());
    using rr::settings::readSettingsValue;
    EXPECT_EQ(readSettingsValue(file, rr::settings::kSection, rr::settings::kPathEntry),
              "D:\\新建文件夹");
    EXPECT_EQ(readSettingsValue(file, rr::settings::kSection, rr::settings::kSuffixEntry), "apk");
}
