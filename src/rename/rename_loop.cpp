#include "rename/rename_loop.h"

#include "platform/cp936_text.h"
#include "rename/new_name.h"

#include <optional>
#include <vector>

namespace rr::rename {

namespace {

using cp936::Case;
using ui::UnitId;

constexpr int kPathColumn = 1;
constexpr std::string_view kReportGap = "  ";

enum class Outcome { Untouched, Renamed, Deleted, DeleteFailed };

struct Action {
    Outcome outcome = Outcome::Untouched;
    std::string newName;
};

class Loop {
public:
    Loop(ui::Units& units, archiver::ArchiveLister& lister, FileOperations& files,
         const std::string& suffixTest)
        : units_(units), lister_(lister), files_(files), suffixTest_(suffixTest) {}

    void row(int number) {
        units_.setText(UnitId::标签3, std::string(kProgressStart) + cp936::decimal(number) +
                                          std::string(kProgressEnd));
        std::string path = units_.cell(UnitId::超级列表框1, number - 1, kPathColumn);
        Action action = actOn(path);
        report(path, action);
    }

    LoopTotals totals;

private:
    Action actOn(const std::string& path) {
        if (!cp936::endsWith(path, kArchiveExtension, Case::IgnoreAscii)) {
            return {};
        }
        // A row whose file vanished since collection is passed over.
        std::optional<FileStamp> before = files_.stamp(path);
        if (!before) {
            return {};
        }
        archiver::Listing listing = lister_.list(path);
        // A volume is never renamed: that breaks its set, and the next volume, whose entry
        // goes on under the same name, would find the name taken.
        if (listing.result <= 0 || listing.isVolume) {
            return {};
        }
        std::optional<std::string> name = nameFromEntries(listing);
        if (!name) {
            return {};
        }
        return moveOrRecycle(path, *before, *name);
    }

    // The first matching entry that gives a name decides, whatever the name is; a name that
    // is not a plain file name leaves the archive as it is.
    std::optional<std::string> nameFromEntries(const archiver::Listing& listing) const {
        for (const auto& entry : listing.entries) {
            if (!cp936::endsWith(entry, suffixTest_, Case::IgnoreAscii)) {
                continue;
            }
            std::optional<std::string> name =
                newArchiveName(entryFileName(entry), suffixTest_.size());
            if (!name) {
                continue;
            }
            if (!isPlainFileName(*name)) {
                return std::nullopt;
            }
            return name;
        }
        return std::nullopt;
    }

    Action moveOrRecycle(const std::string& path, const FileStamp& before,
                         const std::string& name) {
        std::string directory = directoryOf(path);
        if (directory.empty()) {
            return {};
        }
        std::string newPath = directory + name;
        if (newPath.size() >= kMaxPath) {
            return {};
        }
        // The archive must still be the file that was listed.
        std::optional<FileStamp> now = files_.stamp(path);
        if (!now || *now != before) {
            return {};
        }
        // The new path may be another name of the archive itself (another letter case, its
        // short name): never delete an archive because of itself.
        std::optional<FileStamp> target = files_.stamp(newPath);
        if (target && target->sameFileAs(*now)) {
            return {};
        }
        if (files_.exists(newPath)) {
            if (files_.recycle(path) && !files_.exists(path)) {
                return {Outcome::Deleted, name};
            }
            return {Outcome::DeleteFailed, name};
        }
        if (files_.rename(path, newPath)) {
            return {Outcome::Renamed, name};
        }
        return {};
    }

    void report(const std::string& path, const Action& action) {
        std::string text;
        switch (action.outcome) {
        case Outcome::Untouched:
            return;
        case Outcome::Renamed:
            ++totals.renamed;
            text = path + std::string(kRenamedTo) + action.newName;
            break;
        case Outcome::Deleted:
            ++totals.deleted;
            text = path + std::string(kReportGap) + std::string(kNameTaken);
            break;
        case Outcome::DeleteFailed:
            text = path + std::string(kReportGap) + std::string(kNameTakenKept);
            break;
        }
        ++reported_;
        units_.appendRows(UnitId::超级列表框2, {{cp936::decimal(reported_), text}});
    }

    ui::Units& units_;
    archiver::ArchiveLister& lister_;
    FileOperations& files_;
    const std::string& suffixTest_;
    int reported_ = 0;
};

} // namespace

LoopTotals renameArchives(ui::Units& units, archiver::ArchiveLister& lister, FileOperations& files,
                          const std::string& suffixTest, const std::atomic<bool>* stop) {
    Loop loop(units, lister, files, suffixTest);
    const int rows = units.rowCount(UnitId::超级列表框1);
    for (int i = 1; i <= rows; ++i) {
        if (stop != nullptr && stop->load()) {
            break;
        }
        loop.row(i);
        ++loop.totals.rows;
    }
    units.setText(UnitId::标签3, kFinished);
    return loop.totals;
}

} // namespace rr::rename
