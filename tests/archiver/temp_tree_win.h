#pragma once
// A fresh directory under the Temporary directory for one Windows test, removed with all it
// holds when the test ends, and small whole-file helpers for fixtures.

#include <windows.h>

#include <string>

namespace rr::test {

class TempTree {
public:
    // `label` may hold spaces and other characters a user's folder may have.
    explicit TempTree(const std::string& label = "rr test");
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // Ends in a backslash.
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

bool writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
bool fileExists(const std::string& path);
bool makeDirectory(const std::string& path);
// A path of the build machine (as CMake gives it) as the Windows program sees it: Wine shows
// the build machine's root as drive Z:.
std::string hostPath(const std::string& path);
// Removes a directory and everything below it.
void removeTree(const std::string& path);

} // namespace rr::test
