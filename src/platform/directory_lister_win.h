#pragma once
// The directory scan's lister on the Windows file system.

#include "rename/directory_scan.h"

#include <cstdint>
#include <set>
#include <utility>

namespace rr::platform {

class WindowsDirectoryLister : public rename::DirectoryLister {
public:
    bool list(const std::string& directory,
              const std::function<void(const rename::DirectoryEntry&)>& found) override;
    bool firstVisit(const std::string& directory) override;
    void startWalk() override { visited_.clear(); }

private:
    // Volume serial number and file index of each directory listed in this walk.
    std::set<std::pair<std::uint32_t, std::uint64_t>> visited_;
};

} // namespace rr::platform
