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

// The host path of a Windows path under Wine, or empty text elsewhere.
std::string unixPathOf(const std::string& path);

// Runs a host program under Wine (start.exe /unix) and waits for it.
bool runHostCommand(const std::string& commandLine);

// A fresh folder under the temporary directory, removed with all it holds on destruction.
// Under Wine the host removes it, so a link inside is removed, never followed.
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
