// The Windows myrar.exe, started as the tool starts it, prints the golden listings byte for
// byte: code page 936 names through the Windows converters, CR LF line ends, no console
// translation.
#include "fixtures.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

using rar_writer::Format;

// Build paths are Unix paths; Wine shows the Unix root as drive Z:.
std::string windowsPath(std::string p) {
    for (char& c : p)
        if (c == '/')
            c = '\\';
    return p.size() > 1 && p[0] == '\\' ? "Z:" + p : p;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct ProcessRun {
    DWORD exitCode = 0;
    std::string out;
};

// Runs a command line in dir with standard output on a pipe.
bool run(const std::string& commandLine, const std::string& dir, ProcessRun& result) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return false;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  dir.c_str(), &si, &pi);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return false;
    }
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0)
        result.out.append(buf, got);
    WaitForSingleObject(pi.hProcess, INFINITE);
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(readEnd);
    return true;
}

TEST(MyrarExe, PrintsTheGoldenListings) {
    const std::string exe = windowsPath(std::string(RR_BINARY_DIR) + "/myrar.exe");
    const std::string golden = windowsPath(std::string(RR_SOURCE_ROOT) + "/tests/myrar/golden/");
    struct Case {
        const char* name;
        rar_writer::Archive archive;
    } cases[] = {
        {"mixed.rar", fixtures::mixedRar4()},
        {"wide.rar", fixtures::wideRar5()},
        {"later-volume.rar", fixtures::laterVolume()},
        {"sfx.exe", fixtures::sfxRar5()},
        {"enc4.rar", fixtures::encryptedHeaders(Format::Rar4, "qk5913")},
        {"enc5.rar", fixtures::encryptedHeaders(Format::Rar5, "qk5913")},
        {"empty.rar", rar_writer::Archive{}},
    };
    fixtures::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.save(c.name, c.archive);
        std::string folder = path.substr(0, path.find_last_of("\\/"));
        ProcessRun r;
        ASSERT_TRUE(run(exe + " v -p\"qk5913\" " + c.name, folder, r));
        EXPECT_EQ(r.exitCode, 0u);
        EXPECT_EQ(r.out, readAll(golden + c.name + ".txt"));
    }
}

TEST(MyrarExe, UnknownSwitchAndCommandExitWithTheUsageCode) {
    const std::string exe = windowsPath(std::string(RR_BINARY_DIR) + "/myrar.exe");
    fixtures::TempDir dir;
    std::string path = dir.save("a.rar", fixtures::sfxRar5());
    std::string folder = path.substr(0, path.find_last_of("\\/"));
    for (const char* args : {" /x a.rar", " x a.rar", ""}) {
        ProcessRun r;
        ASSERT_TRUE(run(exe + args, folder, r));
        EXPECT_EQ(r.exitCode, 5u) << args;
    }
}

} // namespace
