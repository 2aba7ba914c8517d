#include "rename/directory_scan.h"

#include "platform/cp936_text.h"

#include <deque>

namespace rr::rename {

namespace {

bool isDotEntry(const std::string& name) {
    return name == "." || name == "..";
}

bool endsWithSeparator(std::string_view path) {
    return !path.empty() && cp936::findLast(path, '\\') == path.size() - 1;
}

} // namespace

std::string joinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (!endsWithSeparator(directory)) {
        path += '\\';
    }
    path += name;
    return path;
}

std::size_t scanDirectory(const std::string& root, DirectoryLister& lister,
                          std::vector<std::string>& found, const std::atomic<bool>* stop) {
    if (root.empty()) {
        return 0;
    }
    std::size_t appended = 0;
    lister.startWalk();
    std::deque<std::string> queue{root};
    while (!queue.empty()) {
        if (stop != nullptr && stop->load()) {
            break;
        }
        std::string directory = std::move(queue.front());
        queue.pop_front();
        if (!lister.firstVisit(directory)) {
            continue;
        }
        lister.list(directory, [&](const DirectoryEntry& entry) {
            if (isDotEntry(entry.name) || entry.isLink) {
                return;
            }
            if (entry.isDirectory) {
                queue.push_back(joinPath(directory, entry.name));
                return;
            }
            found.push_back(joinPath(directory, entry.name));
            ++appended;
        });
    }
    return appended;
}

} // namespace rr::rename
