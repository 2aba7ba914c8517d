#pragma once
// The directory scan's lister on the Windows file system.

#include "rename/directory_scan.h"

namespace rr::platform {

class WindowsDirectoryLister : public rename::DirectoryLister {
public:
    bool list(const std::string& directory,
              const std::function<void(const rename::DirectoryEntry&)>& found) override;
};

} // namespace rr::platform
