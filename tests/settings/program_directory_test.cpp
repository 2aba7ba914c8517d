#include "app/program_directory.h"
#include "ui/window_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

using rr::app::directoryOf;

namespace {

std::string fileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// settings_probe.exe is built beside this test.
std::string probePath() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(0, self.rfind('\\')) + "\\settings_probe.exe";
}

// Runs `exe` from an unrelated current directory and gives its exit code, or -1.
int runFromElsewhere(const std::string& exe) {
    std::string command = "\"" + exe + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, windows,
                        &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

} // namespace

TEST(ProgramDirectory, DirectoryOfExecutablePath) {
    struct Case {
        const char* path;
        const char* directory;
    };
    const Case cases[] = {
        {"D:\\tools\\renamer.exe", "D:\\tools"},
        {"D:\\renamer.exe", "D:"},
        {"C:\\软件\\改名.exe", "C:\\软件"},
        // 9C 5C and 95 5C are single characters whose second byte is "\".
        {"C:\\a\\\x9C\x5C.exe", "C:\\a"},
        {"C:\\\x95\x5C\\b\x9C\x5C\x9C\x5C"
         "c.exe",
         "C:\\\x95\x5C"},
        {"\\\\server\\share\\x.exe", "\\\\server\\share"},
        {"renamer.exe", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(directoryOf(c.path), c.directory) << c.path;
    }
}

TEST(ProgramDirectory, RunningProgramFindsItsOwnDirectory) {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string self(path, length);
    EXPECT_EQ(rr::app::programDirectory() + self.substr(self.rfind('\\')), self);
}

TEST(ProgramDirectory, NameWithTrailByte5CKeepsSettingsBesideTheExe) {
    rr::test::TempFolder folder;
    // "工具" then the character 9C 5C: a byte-wise search would stop inside the name.
    std::string exe = folder.path() + "\\工具\x9C\x5C.exe";
    ASSERT_TRUE(CopyFileA(probePath().c_str(), exe.c_str(), FALSE)) << GetLastError();
    ASSERT_EQ(runFromElsewhere(exe), 0);
    EXPECT_EQ(fileContent(folder.path() + "\\probe.txt"), folder.path());
    std::string ini = fileContent(folder.path() + "\\peizhi.ini");
    EXPECT_NE(ini.find(folder.path()), std::string::npos) << ini;
}

TEST(ProgramDirectory, ExeInDriveRootKeepsSettingsInThatRoot) {
    // with_drive_letter.sh maps a spare drive letter to an empty temporary folder.
    const char* drive = std::getenv("RR_TEST_DRIVE");
    if (drive == nullptr || *drive == '\0') {
        GTEST_SKIP() << "RR_TEST_DRIVE is not set: run through with_drive_letter.sh";
    }
    std::string root = std::string(drive) + "\\";
    std::string exe = root + "probe.exe";
    ASSERT_TRUE(CopyFileA(probePath().c_str(), exe.c_str(), FALSE)) << GetLastError();
    ASSERT_EQ(runFromElsewhere(exe), 0);
    // The program directory is the drive alone, and the current directory its root.
    EXPECT_EQ(fileContent(root + "probe.txt"), drive);
    std::string ini = fileContent(root + "peizhi.ini");
    EXPECT_NE(ini.find("=" + std::string(drive) + "\r\n"), std::string::npos) << ini;
}

TEST(ProgramDirectory, EnteringADriveAloneMeansItsRoot) {
    char before[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, before);
    ASSERT_TRUE(rr::app::enterDirectory("C:"));
    char now[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, now);
    EXPECT_STREQ(now, "C:\\");
    SetCurrentDirectoryA(before);
    EXPECT_FALSE(rr::app::enterDirectory(""));
}
