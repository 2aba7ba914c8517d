#include "ui/virtual_list.h"

#include <commctrl.h>

namespace rr::ui {

namespace {
constexpr int kNumberColumn = 0;
constexpr int kPathColumn = 1;
// Setting the item count can cost a frame (seen under Wine), so while rows pour in the count
// reaches the control at most this often.
constexpr DWORD kCountRefreshMs = 100;
} // namespace

void VirtualList::deleteAll() {
    rows_.clear();
    updateCount();
    InvalidateRect(list_, nullptr, TRUE);
}

int VirtualList::insertRow() {
    rows_.emplace_back();
    updateCount();
    return rowCount() - 1;
}

void VirtualList::setCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= rowCount() || (column != kNumberColumn && column != kPathColumn)) {
        return;
    }
    Row& target = rows_[static_cast<std::size_t>(row)];
    (column == kNumberColumn ? target.number : target.path) = std::string(text);
    ListView_RedrawItems(list_, row, row);
}

std::string VirtualList::cell(int row, int column) const {
    const std::string* text = cellText(row, column);
    return text != nullptr ? *text : std::string();
}

void VirtualList::append(const std::vector<Row>& rows) {
    rows_.insert(rows_.end(), rows.begin(), rows.end());
    updateCountSoon();
}

void VirtualList::refreshCount() {
    if (countStale_) {
        updateCount();
    }
}

void VirtualList::fillDisplayInfo(NMLVDISPINFOA& info) const {
    if ((info.item.mask & LVIF_TEXT) == 0) {
        return;
    }
    const std::string* text = cellText(info.item.iItem, info.item.iSubItem);
    // The control only reads the text before the next message, while the row still exists.
    info.item.pszText = const_cast<char*>(text != nullptr ? text->c_str() : "");
}

void VirtualList::updateCount() {
    countStale_ = false;
    KillTimer(GetParent(list_), timerId_);
    ListView_SetItemCountEx(list_, rows_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void VirtualList::updateCountSoon() {
    DWORD now = GetTickCount();
    if (now - lastCountUpdate_ >= kCountRefreshMs) {
        updateCount();
        lastCountUpdate_ = now;
        return;
    }
    if (!countStale_) {
        countStale_ = true;
        SetTimer(GetParent(list_), timerId_, kCountRefreshMs, nullptr);
    }
}

const std::string* VirtualList::cellText(int row, int column) const {
    if (row < 0 || row >= rowCount()) {
        return nullptr;
    }
    const Row& r = rows_[static_cast<std::size_t>(row)];
    if (column == kNumberColumn) {
        return &r.number;
    }
    return column == kPathColumn ? &r.path : nullptr;
}

} // namespace rr::ui
