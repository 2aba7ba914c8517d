#pragma once
// A directory of this process's own under the Temporary directory, for the archiver's
// output files, so two copies of the tool never read each other's listing. Removed, with
// what is left in it, when the owner goes away.

#include <string>

namespace rr::platform {

class WorkDirectory {
public:
    // `parent` ends in a backslash.
    explicit WorkDirectory(const std::string& parent);
    ~WorkDirectory();
    WorkDirectory(const WorkDirectory&) = delete;
    WorkDirectory& operator=(const WorkDirectory&) = delete;

    // Ends in a backslash; empty when the directory could not be made.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

} // namespace rr::platform
