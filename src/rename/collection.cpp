#include "rename/collection.h"

#include "platform/cp936_text.h"

#include <string>
#include <vector>

namespace rr::rename {

namespace {

using ui::UnitId;

const char kCountCaption[] = "文件数量：";
const char kNoDirectory[] = "未选择目录：请先点击“浏览...”选择要处理的目录。";

void fillUpperList(ui::Units& units, std::vector<std::string>& found) {
    std::vector<ui::Row> batch;
    batch.reserve(kRowsPerBatch);
    for (std::size_t i = 0; i < found.size(); ++i) {
        batch.push_back({cp936::decimal(static_cast<long long>(i + 1)), std::move(found[i])});
        if (batch.size() == kRowsPerBatch) {
            units.appendRows(UnitId::超级列表框1, batch);
            batch.clear();
        }
    }
    if (!batch.empty()) {
        units.appendRows(UnitId::超级列表框1, batch);
    }
}

} // namespace

std::size_t collectArchives(ui::Units& units, DirectoryLister& lister,
                            const std::atomic<bool>* stop) {
    units.setEnabled(UnitId::按钮2, false);
    std::string root = units.text(UnitId::编辑框_路径);
    std::vector<std::string> found;
    std::size_t count = scanDirectory(root, lister, found, stop);
    units.setText(UnitId::标签2, kCountCaption + cp936::decimal(static_cast<long long>(count)));
    units.deleteAllRows(UnitId::超级列表框1);
    units.deleteAllRows(UnitId::超级列表框2);
    if (root.empty()) {
        // An empty box must never widen the walk to the current drive; say why nothing came.
        units.appendRows(UnitId::超级列表框2, {{"", kNoDirectory}});
    }
    fillUpperList(units, found);
    units.setEnabled(UnitId::按钮2, true);
    return count;
}

} // namespace rr::rename
