#pragma once
// A report-style list view whose rows the program holds (LVS_OWNERDATA): adding 100,000 rows
// costs a vector append and one item-count update, and the control draws only what shows.

#include "ui/units.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

namespace rr::ui {

class VirtualList {
public:
    void attach(HWND list) { list_ = list; }
    HWND handle() const { return list_; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    void deleteAll();
    int insertRow();
    void setCell(int row, int column, std::string_view text);
    std::string cell(int row, int column) const;
    void append(const std::vector<Row>& rows);

    // Answers LVN_GETDISPINFOA for this list.
    void fillDisplayInfo(NMLVDISPINFOA& info) const;

private:
    void updateCount();
    const std::string* cellText(int row, int column) const;

    HWND list_ = nullptr;
    std::vector<Row> rows_;
};

} // namespace rr::ui
