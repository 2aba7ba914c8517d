// The soak: one rename run of the real rarrename.exe over a tree of many thousand files of
// every kind, driven from outside as a user would, its settings pointed at the tree. While it
// runs, the tool's handles and working set are sampled every so many rows and its window is
// probed for the longest time it took to answer; afterwards every file's fate on disk is
// checked against the manifest.

#include "fate_check.h"
#include "list_reader.h"
#include "platform/unique_handle_win.h"
#include "rename/rename_loop.h"
#include "soak_tree.h"
#include "ui/main_window_layout.h"

#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using rr::platform::UniqueHandle;

constexpr char kMainWindowClass[] = "RarRenameMainWindow";
constexpr int kDefaultArchives = 10000;
constexpr int kDefaultSampleEvery = 1000;
constexpr DWORD kWindowWaitMs = 60000;
constexpr DWORD kPollMs = 20;
// A row takes one archiver start; this long without a new row means the run is stuck.
constexpr double kNoProgressLimitS = 120;
constexpr UINT kProbeTimeoutMs = 30000;
constexpr DWORD kProbeEveryMs = 5;
constexpr DWORD kExitWaitMs = 30000;
constexpr int kMaxMismatchesShown = 40;
constexpr int kWorstStallsShown = 8;

constexpr int kHandleGrowthGoal = 8;
constexpr double kWorkingSetGrowthGoalMiB = 4;
constexpr double kStallGoalMs = 100;
constexpr double kMiB = 1024.0 * 1024.0;

double msBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

std::string hostPath(std::string path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string windowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

// The row number in "正在修改第N个文件名称。", or 0 for any other text.
int rowShown(const std::string& label) {
    const std::string start(rr::rename::kProgressStart);
    const std::string end(rr::rename::kProgressEnd);
    if (label.size() <= start.size() + end.size() || label.compare(0, start.size(), start) != 0) {
        return 0;
    }
    return std::atoi(label.c_str() + start.size());
}

// The settings file the tool reads at start: section "配置", "路径" and "后缀".
bool writeSettings(const std::string& path, const std::string& folder) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    std::fprintf(out, "[配置]\r\n路径=%s\r\n后缀=exe\r\n", folder.c_str());
    return std::fclose(out) == 0;
}

struct Tool {
    UniqueHandle process;
    DWORD id = 0;
    HWND main = nullptr;
};

HWND findMainWindow(DWORD processId) {
    struct Search {
        DWORD id;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) {
            auto* s = reinterpret_cast<Search*>(param);
            char cls[64] = {};
            GetClassNameA(window, cls, sizeof(cls));
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->id && std::string(cls) == kMainWindowClass) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool startTool(const std::string& exe, const std::string& directory, Tool& tool) {
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::string commandLine = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    tool.process.reset(info.hProcess);
    tool.id = info.dwProcessId;
    WaitForInputIdle(info.hProcess, kWindowWaitMs);
    for (DWORD waited = 0; waited < kWindowWaitMs; waited += kPollMs) {
        tool.main = findMainWindow(tool.id);
        if (tool.main != nullptr) {
            return true;
        }
        Sleep(kPollMs);
    }
    return false;
}

struct Sample {
    int row = 0;
    double seconds = 0;
    DWORD handles = 0;
    double workingSetMiB = 0;
    double peakWorkingSetMiB = 0;
    double pagefileMiB = 0;
};

// Wine answers GetProcessHandleCount with 0 for every process, so the handles are counted by
// trying each handle value of the tool's table: a handle duplicates only while it is open.
// Handle values are multiples of 4, allocated from the lowest free one upwards.
constexpr ULONG_PTR kHandleStep = 4;
constexpr ULONG_PTR kHandleScanLimit = 1 << 20;
constexpr int kMissesPastLast = 4096;

DWORD handlesByScan(HANDLE process) {
    DWORD count = 0;
    int misses = 0;
    for (ULONG_PTR value = kHandleStep; value < kHandleScanLimit && misses < kMissesPastLast;
         value += kHandleStep) {
        HANDLE copy = nullptr;
        if (DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0,
                            FALSE, DUPLICATE_SAME_ACCESS)) {
            CloseHandle(copy);
            ++count;
            misses = 0;
        } else {
            ++misses;
        }
    }
    return count;
}

DWORD handleCount(HANDLE process) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count > 0) {
        return count;
    }
    return handlesByScan(process);
}

Sample sampleOf(HANDLE process, int row, double seconds) {
    Sample s;
    s.row = row;
    s.seconds = seconds;
    s.handles = handleCount(process);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof(memory);
    if (GetProcessMemoryInfo(process, &memory, sizeof(memory))) {
        s.workingSetMiB = static_cast<double>(memory.WorkingSetSize) / kMiB;
        s.peakWorkingSetMiB = static_cast<double>(memory.PeakWorkingSetSize) / kMiB;
        s.pagefileMiB = static_cast<double>(memory.PagefileUsage) / kMiB;
    }
    return s;
}

struct Stall {
    double ms = 0;
    int row = 0;
};

// Sends WM_NULL to the tool's window every few milliseconds and keeps the slowest answers.
class Prober {
public:
    Prober(HWND window, const std::atomic<int>& row) : window_(window), row_(row) {
        thread_ = std::thread([this] { probe(); });
    }
    ~Prober() { stop(); }
    void stop() {
        running_ = false;
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    const std::vector<Stall>& worst() const { return worst_; }
    int probes() const { return probes_; }
    int over(double ms) const {
        return static_cast<int>(
            std::count_if(all_.begin(), all_.end(), [ms](double d) { return d >= ms; }));
    }

private:
    void probe() {
        while (running_) {
            int row = row_.load();
            auto sent = Clock::now();
            DWORD_PTR result = 0;
            SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &result);
            double ms = msBetween(sent, Clock::now());
            ++probes_;
            all_.push_back(ms);
            keep({ms, std::max(row, row_.load())});
            Sleep(kProbeEveryMs);
        }
    }
    void keep(Stall s) {
        worst_.push_back(s);
        std::sort(worst_.begin(), worst_.end(),
                  [](const Stall& a, const Stall& b) { return a.ms > b.ms; });
        if (worst_.size() > kWorstStallsShown) {
            worst_.pop_back();
        }
    }

    HWND window_;
    const std::atomic<int>& row_;
    std::atomic<bool> running_{true};
    std::vector<Stall> worst_;
    std::vector<double> all_;
    int probes_ = 0;
    std::thread thread_;
};

// A window of the driver's own on a thread that does nothing else: probed beside the tool's,
// it tells what the machine and Wine's server cost a probe from what the tool's thread does.
class ControlWindow {
public:
    ControlWindow() {
        thread_ = std::thread([this] {
            HWND w = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
            threadId_ = GetCurrentThreadId();
            window_ = w;
            MSG message;
            while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                DispatchMessageA(&message);
            }
            DestroyWindow(w);
        });
        while (window_.load() == nullptr) {
            Sleep(1);
        }
    }
    ~ControlWindow() {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
    }
    HWND handle() const { return window_; }

private:
    std::atomic<HWND> window_{nullptr};
    DWORD threadId_ = 0;
    std::thread thread_;
};

struct RunFigures {
    bool finished = false;
    double seconds = 0;
    int lastRow = 0;
    std::vector<Sample> samples;
    std::vector<Stall> worst;
    std::vector<Stall> controlWorst;
    int probes = 0;
    int probesOverGoal = 0;
    LRESULT upperRows = 0;
    std::vector<std::string> lowerRows; // column 1 of 超级列表框2
};

// Presses 按钮2 and follows 标签3 until the closing message, sampling the process as the rows
// go by.
RunFigures pressAndFollow(const Tool& tool, int sampleEvery) {
    HWND button = GetDlgItem(tool.main, rr::ui::controlId(rr::ui::UnitId::按钮2));
    HWND progress = GetDlgItem(tool.main, rr::ui::controlId(rr::ui::UnitId::标签3));
    RunFigures figures;
    std::atomic<int> row{0};
    Prober prober(tool.main, row);
    ControlWindow control;
    Prober controlProber(control.handle(), row);
    auto start = Clock::now();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, kProbeTimeoutMs, &ignored);
    int nextSample = sampleEvery;
    auto lastChange = start;
    bool sampledFirst = false;
    const std::string finished(rr::rename::kFinished);
    while (true) {
        std::string label = windowText(progress);
        auto now = Clock::now();
        double seconds = msBetween(start, now) / 1000;
        if (label == finished) {
            figures.finished = true;
            figures.samples.push_back(sampleOf(tool.process.get(), figures.lastRow, seconds));
            break;
        }
        int shown = rowShown(label);
        if (shown != figures.lastRow && shown > 0) {
            figures.lastRow = shown;
            row = shown;
            lastChange = now;
            if (!sampledFirst || shown >= nextSample) {
                figures.samples.push_back(sampleOf(tool.process.get(), shown, seconds));
                while (sampledFirst && nextSample <= shown) {
                    nextSample += sampleEvery;
                }
                sampledFirst = true;
            }
        }
        if (msBetween(lastChange, now) / 1000 > kNoProgressLimitS) {
            std::fprintf(stderr, "no new row for %.0f s at row %d (label \"%s\")\n",
                         kNoProgressLimitS, figures.lastRow, label.c_str());
            break;
        }
        Sleep(kPollMs);
    }
    figures.seconds = msBetween(start, Clock::now()) / 1000;
    prober.stop();
    controlProber.stop();
    figures.worst = prober.worst();
    figures.controlWorst = controlProber.worst();
    figures.probes = prober.probes();
    figures.probesOverGoal = prober.over(kStallGoalMs);
    figures.upperRows =
        SendMessageA(GetDlgItem(tool.main, rr::ui::controlId(rr::ui::UnitId::超级列表框1)),
                     LVM_GETITEMCOUNT, 0, 0);
    figures.lowerRows =
        soak::readColumn(tool.process.get(),
                         GetDlgItem(tool.main, rr::ui::controlId(rr::ui::UnitId::超级列表框2)), 1);
    return figures;
}

void closeTool(Tool& tool) {
    PostMessageA(tool.main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(tool.process.get(), kExitWaitMs) != WAIT_OBJECT_0) {
        std::printf("the tool did not end after WM_CLOSE; terminating it\n");
        TerminateProcess(tool.process.get(), 1);
        WaitForSingleObject(tool.process.get(), kExitWaitMs);
    }
}

void printSamples(const std::vector<Sample>& samples) {
    std::printf("\n| row | time (s) | handles | working set (MiB) | peak working set (MiB) | "
                "page file (MiB) |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    for (const Sample& s : samples) {
        std::printf("| %d | %.1f | %lu | %.2f | %.2f | %.2f |\n", s.row, s.seconds,
                    static_cast<unsigned long>(s.handles), s.workingSetMiB, s.peakWorkingSetMiB,
                    s.pagefileMiB);
    }
    std::printf("\n");
}

int expectedLowerRows(const soak::Tree& tree) {
    return static_cast<int>(std::count_if(tree.files.begin(), tree.files.end(), [](const auto& e) {
        return e.fate != soak::Fate::Untouched;
    }));
}

struct Options {
    std::string toolExe;
    std::string out;
    int archives = kDefaultArchives;
    int sampleEvery = kDefaultSampleEvery;
};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: soak_driver RARRENAME_EXE OUT_FOLDER [ARCHIVES] [SAMPLE_EVERY]\n");
        return 2;
    }
    Options options{hostPath(argv[1]), hostPath(argv[2])};
    if (argc > 3) {
        options.archives = std::max(1, std::atoi(argv[3]));
    }
    if (argc > 4) {
        options.sampleEvery = std::max(1, std::atoi(argv[4]));
    }
    std::string app = options.out + "\\app";
    std::string exe = app + "\\rarrename.exe";
    CreateDirectoryA(app.c_str(), nullptr);
    auto madeAt = Clock::now();
    soak::Tree tree = soak::makeTree(options.out + "\\tree", options.archives);
    if (tree.files.empty()) {
        std::printf("cannot make the tree under %s\n", options.out.c_str());
        return 1;
    }
    std::printf("tree: %d .rar files, %zu files in all, made in %.1f s\n", tree.rarFiles,
                tree.files.size(), msBetween(madeAt, Clock::now()) / 1000);
    if (!soak::writeManifest(tree, options.out + "\\manifest.tsv") ||
        !CopyFileA(options.toolExe.c_str(), exe.c_str(), FALSE) ||
        !writeSettings(app + "\\peizhi.ini", tree.root)) {
        std::printf("cannot write the manifest, the tool's copy or its settings\n");
        return 1;
    }
    std::fflush(stdout);

    Tool tool;
    if (!startTool(exe, app, tool)) {
        std::printf("the tool's window did not appear\n");
        return 1;
    }
    RunFigures run = pressAndFollow(tool, options.sampleEvery);
    closeTool(tool);

    printSamples(run.samples);
    std::printf("run: %s after row %d in %.1f s (%.1f ms per row); upper list %ld rows, lower "
                "list %ld rows (expected %zu and %d)\n",
                run.finished ? "finished" : "NOT finished", run.lastRow, run.seconds,
                run.lastRow > 0 ? 1000 * run.seconds / run.lastRow : 0.0,
                static_cast<long>(run.upperRows), static_cast<long>(run.lowerRows.size()),
                tree.files.size(), expectedLowerRows(tree));
    std::printf("probes: %d, %d of them took %.0f ms or more; slowest (ms at row):", run.probes,
                run.probesOverGoal, kStallGoalMs);
    for (const Stall& s : run.worst) {
        std::printf(" %.0f@%d", s.ms, s.row);
    }
    std::printf("\ncontrol probes (a window of the driver's own), slowest:");
    for (const Stall& s : run.controlWorst) {
        std::printf(" %.0f@%d", s.ms, s.row);
    }
    std::printf("\n");

    soak::FateReport fates = soak::checkFates(tree);
    for (std::string& line : soak::checkReports(tree, run.lowerRows)) {
        fates.mismatches.push_back(std::move(line));
    }
    if (static_cast<std::size_t>(run.upperRows) != tree.files.size()) {
        fates.mismatches.push_back("the upper list holds " + std::to_string(run.upperRows) +
                                   " rows, not one per file");
    }
    int shown = 0;
    for (const std::string& line : fates.mismatches) {
        if (shown++ == kMaxMismatchesShown) {
            std::printf("... and %zu more\n", fates.mismatches.size() - kMaxMismatchesShown);
            break;
        }
        std::printf("MISMATCH %s\n", line.c_str());
    }
    bool fatesRight = run.finished && fates.mismatches.empty();
    std::printf("fates on disk: %d of %zu files as expected; %zu mismatches in all (disk, lists)\n",
                fates.asExpected, tree.files.size(), fates.mismatches.size());

    // Growth is measured from the first sample at or after `sampleEvery` rows, so what the
    // first rows settle (the archiver written out, lists filled) does not count.
    const Sample* from = nullptr;
    for (const Sample& s : run.samples) {
        if (s.row >= options.sampleEvery) {
            from = &s;
            break;
        }
    }
    const Sample* to = run.samples.empty() ? nullptr : &run.samples.back();
    long handleGrowth = 0;
    double setGrowth = 0;
    bool haveGrowth = from != nullptr && to != nullptr && from != to;
    if (haveGrowth) {
        handleGrowth = static_cast<long>(to->handles) - static_cast<long>(from->handles);
        setGrowth = to->workingSetMiB - from->workingSetMiB;
    }
    double stall = run.worst.empty() ? 0 : run.worst.front().ms;
    std::printf("RESULT|soak: files whose fate was as expected (%d .rar of %zu files)|%d "
                "mismatches|0|%s\n",
                tree.rarFiles, tree.files.size(), static_cast<int>(fates.mismatches.size()),
                fatesRight ? "pass" : "fail");
    std::printf("RESULT|soak: handle growth, row %d to the last|%+ld|<= %d|%s\n",
                from != nullptr ? from->row : options.sampleEvery, handleGrowth, kHandleGrowthGoal,
                haveGrowth && handleGrowth <= kHandleGrowthGoal ? "pass" : "fail");
    std::printf("RESULT|soak: working-set growth, row %d to the last (MiB)|%+.2f|<= %.0f|%s\n",
                from != nullptr ? from->row : options.sampleEvery, setGrowth,
                kWorkingSetGrowthGoalMiB,
                haveGrowth && setGrowth <= kWorkingSetGrowthGoalMiB ? "pass" : "fail");
    std::printf("RESULT|soak: longest window stall during the run (ms)|%.0f|< %.0f|%s\n", stall,
                kStallGoalMs, run.finished && stall < kStallGoalMs ? "pass" : "fail");
    return fatesRight ? 0 : 1;
}
