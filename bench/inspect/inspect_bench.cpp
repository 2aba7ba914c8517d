// List archive over many small archives beside as many bare starts of a trivial console
// program, in the same run: the per-archive ratio says what the listing costs beyond the one
// process start it cannot avoid.

#include "archiver/archive_inspector.h"
#include "archiver/deployment.h"
#include "platform/file_io_win.h"
#include "platform/process_start_win.h"
#include "platform/work_directory_win.h"
#include "rar_writer.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kArchives = 300;
constexpr double kGoal = 1.5;

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string hostPath(std::string path) {
    if (path.empty() || path[0] != '/') {
        return path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return "Z:" + path;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: inspect_bench MYRAR_EXE TRIVIAL_EXE\n");
        return 2;
    }
    std::string image = rr::platform::readFile(hostPath(argv[1]));
    std::string trivial = hostPath(argv[2]);
    auto deployment = rr::archiver::deployArchiver(image);
    rr::platform::WorkDirectory work(deployment.temporaryDirectory);
    std::string dir = work.path() + "archives\\";
    CreateDirectoryA(dir.c_str(), nullptr);

    std::vector<std::string> paths;
    for (int i = 0; i < kArchives; ++i) {
        rar_writer::Archive a;
        for (const char* name : {"readme.txt", "data/setup.exe", "more.dat"}) {
            rar_writer::Item item;
            item.name = name;
            item.data = "small";
            a.items.push_back(item);
        }
        paths.push_back(dir + "a" + std::to_string(i) + ".rar");
        rar_writer::saveFile(paths.back(), rar_writer::write(a));
    }

    rr::archiver::ArchiveInspector inspector(deployment.archiverPath(), work.path());
    // Alternating rounds, so a slow spell of the machine weighs on both sides alike.
    double listing = 0, bare = 0;
    int listed = 0;
    for (int round = 0; round < 2; ++round) {
        auto start = Clock::now();
        for (int i = round; i < kArchives; i += 2) {
            listed += inspector.list(paths[i]).result == 3 ? 1 : 0;
        }
        listing += secondsSince(start);
        start = Clock::now();
        for (int i = round; i < kArchives; i += 2) {
            rr::platform::runAndWait(trivial, "\"" + trivial + "\"", "");
        }
        bare += secondsSince(start);
    }
    for (const auto& p : paths) {
        DeleteFileA(p.c_str());
    }
    RemoveDirectoryA(dir.substr(0, dir.size() - 1).c_str());

    double ratio = listing / bare;
    std::printf("List archive: %d archives (%d listed right) in %.2f s, %.1f ms each\n", kArchives,
                listed, listing, 1000 * listing / kArchives);
    std::printf("bare start:   %d starts in %.2f s, %.1f ms each\n", kArchives, bare,
                1000 * bare / kArchives);
    std::printf("RESULT|List archive per archive / bare process start|%.2f|<= %.1f|%s\n", ratio,
                kGoal, ratio <= kGoal && listed == kArchives ? "pass" : "fail");
    return listed == kArchives ? 0 : 1;
}
