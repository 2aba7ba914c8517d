#pragma once
// The renaming loop's file operations on the Windows file system.

#include "rename/file_operations.h"

namespace rr::platform {

class WindowsFileOperations : public rename::FileOperations {
public:
    std::optional<rename::FileStamp> stamp(const std::string& path) override;
    bool exists(const std::string& path) override;
    bool rename(const std::string& from, const std::string& to) override;
    bool recycle(const std::string& path) override;
};

} // namespace rr::platform
