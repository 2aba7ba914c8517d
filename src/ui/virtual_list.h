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
    // `timerId` names the timer on the list's parent that brings a held-back row count up to
    // date; the parent calls refreshCount() on it.
    void attach(HWND list, UINT_PTR timerId) {
        list_ = list;
        timerId_ = timerId;
    }
    HWND handle() const { return list_; }

    int rowCount() const { return static_cast<int>(rows_.size()); }
    void deleteAll();
    int insertRow();
    void setCell(int row, int column, std::string_view text);
    std::string cell(int row, int column) const;
    void append(const std::vector<Row>& rows);

    // Hands a held-back row count to the control.
    void refreshCount();

    // Answers LVN_GETDISPINFOA for this list.
    void fillDisplayInfo(NMLVDISPINFOA& info) const;

private:
    void updateCount();
    void updateCountSoon();
    const std::string* cellText(int row, int column) const;

    HWND list_ = nullptr;
    UINT_PTR timerId_ = 0;
    // When rows last poured in; a count set by any other operation does not hold the next back.
    DWORD lastCountUpdate_ = 0;
    bool countStale_ = false;
    std::vector<Row> rows_;
};

} // namespace rr::ui
