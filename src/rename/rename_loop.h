#pragma once
// The renaming loop: the second stage of a rename run. For each row of the upper list it
// shows its progress, lists each archive, and renames the archive after the first entry whose
// name ends with the suffix test text, in the archive's own directory. When that name is
// taken the archive goes to the Recycle Bin. Each archive acted on gets a row in the lower
// list, and the run ends with the closing message.

#include "archiver/archive_lister.h"
#include "rename/file_operations.h"
#include "ui/units.h"

#include <atomic>
#include <string>
#include <string_view>

namespace rr::rename {

constexpr std::string_view kProgressStart = "正在修改第";
constexpr std::string_view kProgressEnd = "个文件名称。";
constexpr std::string_view kNameTaken = "文件已存在！该文件被删除！";
constexpr std::string_view kNameTakenKept = "文件已存在！该文件无法删除，已保留原文件。";
constexpr std::string_view kRenamedTo = " → ";
constexpr std::string_view kFinished = "RAR文件名称修改完毕！";

struct LoopTotals {
    int rows = 0;
    int renamed = 0;
    int deleted = 0;
};

// `suffixTest` is "." followed by the suffix box's content at the press. Ends after the
// current row when `stop` is set.
LoopTotals renameArchives(ui::Units& units, archiver::ArchiveLister& lister, FileOperations& files,
                          const std::string& suffixTest, const std::atomic<bool>* stop = nullptr);

} // namespace rr::rename
