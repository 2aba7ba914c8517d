#pragma once
// The main window's units: kind, place in client coordinates (outer size, border included),
// initial text, in stacking order (the first lies on top).

#include "ui/units.h"

#include <array>

namespace rr::ui {

constexpr int kMainWindowWidth = 560;
constexpr int kMainWindowHeight = 409;
constexpr char kMainWindowCaption[] = "VeskoRAR批量改名工具 V2.1 - rarrename 开发组出品";

enum class UnitKind { Button, Edit, Label, List };

struct UnitLayout {
    UnitId id;
    UnitKind kind;
    int left, top, width, height;
    const char* text;
};

constexpr std::array<UnitLayout, 11> kMainUnits{{
    {UnitId::按钮3, UnitKind::Button, 448, 352, 95, 24, "软件使用说明"},
    {UnitId::编辑框_后缀, UnitKind::Edit, 488, 8, 55, 24, "exe"},
    {UnitId::标签4, UnitKind::Label, 454, 8, 40, 24, "后缀："},
    {UnitId::标签3, UnitKind::Label, 16, 352, 144, 18, ""},
    {UnitId::标签2, UnitKind::Label, 318, 352, 113, 18, ""},
    {UnitId::超级列表框2, UnitKind::List, 8, 195, 535, 150, ""},
    {UnitId::标签1, UnitKind::Label, 8, 8, 40, 24, "目录："},
    {UnitId::编辑框_路径, UnitKind::Edit, 48, 8, 280, 24, ""},
    {UnitId::按钮1, UnitKind::Button, 336, 7, 56, 24, "浏览..."},
    {UnitId::按钮2, UnitKind::Button, 392, 7, 56, 24, "文件更名"},
    {UnitId::超级列表框1, UnitKind::List, 8, 39, 535, 150, ""},
}};

// Columns "序号" and "文件路径"; the lower list's path column is wider than the list.
constexpr int kNumberColumnWidth = 40;
constexpr int kUpperPathColumnWidth = 480;
constexpr int kLowerPathColumnWidth = 800;

constexpr std::array<UnitId, 7> kTabOrder{
    UnitId::超级列表框1, UnitId::按钮2,       UnitId::按钮1, UnitId::编辑框_路径,
    UnitId::超级列表框2, UnitId::编辑框_后缀, UnitId::按钮3};

// Control identifiers: 1000 plus the unit's place in the stacking order.
constexpr int kFirstControlId = 1000;
constexpr int controlId(UnitId id) {
    return kFirstControlId + static_cast<int>(id);
}
constexpr std::size_t unitIndex(UnitId id) {
    return static_cast<std::size_t>(id);
}

} // namespace rr::ui
