#pragma once
// Helpers for tests that drive real windows: message pumping and temporary folders.

#include <windows.h>

#include <functional>
#include <string>

namespace rr::test {

// Handles pending messages until `done` holds or `timeoutMs` passes; gives `done()`.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000);

// Handles the messages pending now.
void pumpPending();

// A fresh folder under the temporary directory, removed with all it holds on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& path() const { return path_; }
    // Creates a file (and its folders) below the folder; gives its full path.
    std::string addFile(const std::string& relative, const std::string& content = "x");
    std::string addFolder(const std::string& relative);

private:
    std::string path_;
};

} // namespace rr::test
