#pragma once
// The unit operations: the only way the rename run reaches the main window's units.
//
// The real window carries each call out on its own thread, so a worker thread may call them;
// tests use a fake. Texts are code page 936 byte strings; rows and columns count from 0.

#include <string>
#include <string_view>
#include <vector>

namespace rr::ui {

// The main window's units by their template names, in stacking order (the first lies on top).
enum class UnitId {
    按钮3,
    编辑框_后缀,
    标签4,
    标签3,
    标签2,
    超级列表框2,
    标签1,
    编辑框_路径,
    按钮1,
    按钮2,
    超级列表框1,
};

// One list-view row given whole: the "序号" cell and the "文件路径" cell.
struct Row {
    std::string number;
    std::string path;
};

class Units {
public:
    virtual ~Units() = default;

    // Edit box content or label caption.
    virtual std::string text(UnitId unit) = 0;
    virtual void setText(UnitId unit, std::string_view text) = 0;

    // A disabled button takes no clicks and drops out of the tab order.
    virtual void setEnabled(UnitId button, bool enabled) = 0;

    virtual int rowCount(UnitId list) = 0;
    virtual void deleteAllRows(UnitId list) = 0;
    // Appends an empty row and gives its index, or -1 when no row can be added.
    virtual int insertRow(UnitId list) = 0;
    virtual void setCell(UnitId list, int row, int column, std::string_view text) = 0;
    virtual std::string cell(UnitId list, int row, int column) = 0;

    // Appends many filled rows in one step; the same as insertRow and two setCell calls per
    // row, but one trip to the window's thread.
    virtual void appendRows(UnitId list, const std::vector<Row>& rows) = 0;
};

} // namespace rr::ui
