#pragma once
// The directory scan: a breadth-first walk that collects the full path of every file below a
// directory. Directory listing is injected, so the walk order is tested without a disk.

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rr::rename {

struct DirectoryEntry {
    std::string name;
    bool isDirectory = false;
    // A directory link or junction: listed as nothing and never followed, so no walk loops.
    bool isLink = false;
};

class DirectoryLister {
public:
    virtual ~DirectoryLister() = default;
    // Calls `found` for each entry of `directory` in the file system's order, "." and ".."
    // included or not. Gives false when the directory cannot be listed.
    virtual bool list(const std::string& directory,
                      const std::function<void(const DirectoryEntry&)>& found) = 0;
    // True the first time a directory is met in a walk, false when the same directory (by
    // file identity, not by name) was listed before: a link that the file system does not
    // mark as one still cannot make the walk loop.
    virtual bool firstVisit(const std::string& directory) {
        (void)directory;
        return true;
    }
    // Forgets the directories met, before a new walk.
    virtual void startWalk() {}
};

// directory + "\" + name, without doubling a "\" that ends the directory (a drive root).
std::string joinPath(std::string_view directory, std::string_view name);

// Appends every file below `root` to `found`, the files of a directory before those of its
// subdirectories, directories level by level in the order they were found. Gives the number
// appended. An empty root walks nothing. Ends early when `stop` is set.
std::size_t scanDirectory(const std::string& root, DirectoryLister& lister,
                          std::vector<std::string>& found, const std::atomic<bool>* stop = nullptr);

} // namespace rr::rename
