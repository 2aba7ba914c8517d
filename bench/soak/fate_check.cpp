#include "fate_check.h"

#include <windows.h>

#include "rename/rename_loop.h"

#include <map>
#include <set>

namespace soak {

namespace {

using Disk = std::map<std::string, std::string>; // relative path -> bytes

std::string readWhole(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<unreadable>";
    }
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        bytes.append(buffer, got);
    }
    CloseHandle(file);
    return bytes;
}

void readFolder(const std::string& root, const std::string& relative, Disk& disk) {
    std::string folder = relative.empty() ? root : root + "\\" + relative;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") {
            continue;
        }
        std::string rel = relative.empty() ? name : relative + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            readFolder(root, rel, disk);
        } else {
            disk[rel] = readWhole(root + "\\" + rel);
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

// Takes the file at `rel` off the disk map when it holds `bytes`; the reason why not otherwise.
std::string claim(Disk& disk, const std::string& rel, const std::string& bytes) {
    auto it = disk.find(rel);
    if (it == disk.end()) {
        return "missing";
    }
    if (it->second != bytes) {
        return "holds other bytes";
    }
    disk.erase(it);
    return {};
}

std::string checkOne(const Expected& e, Disk& disk) {
    switch (e.fate) {
    case Fate::Untouched: {
        std::string why = claim(disk, e.relative, e.bytes);
        return why.empty() ? why : "should be untouched, " + why;
    }
    case Fate::Renamed: {
        if (disk.count(e.relative) != 0) {
            return "should be renamed to " + e.newName + ", still there";
        }
        std::string folder = folderOf(e.relative);
        std::string target = folder.empty() ? e.newName : folder + "\\" + e.newName;
        std::string why = claim(disk, target, e.bytes);
        return why.empty() ? why : "should be renamed to " + e.newName + ", new name " + why;
    }
    case Fate::Recycled:
        return disk.count(e.relative) != 0 ? "should be recycled, still there" : std::string();
    }
    return "unknown fate";
}

} // namespace

FateReport checkFates(const Tree& tree) {
    Disk disk;
    readFolder(tree.root, "", disk);
    FateReport report;
    for (const Expected& e : tree.files) {
        std::string why = checkOne(e, disk);
        if (why.empty()) {
            ++report.asExpected;
        } else {
            report.mismatches.push_back(e.relative + " (" + e.kind + "): " + why);
        }
    }
    for (const auto& [rel, bytes] : disk) {
        report.mismatches.push_back(rel + ": a file that should not be there");
    }
    return report;
}

std::vector<std::string> checkReports(const Tree& tree, const std::vector<std::string>& rows) {
    std::multiset<std::string> left(rows.begin(), rows.end());
    std::vector<std::string> mismatches;
    for (const Expected& e : tree.files) {
        if (e.fate == Fate::Untouched) {
            continue;
        }
        std::string path = tree.root + "\\" + e.relative;
        std::string row = e.fate == Fate::Renamed
                              ? path + std::string(rr::rename::kRenamedTo) + e.newName
                              : path + "  " + std::string(rr::rename::kNameTaken);
        auto it = left.find(row);
        if (it == left.end()) {
            mismatches.push_back("no row \"" + row + "\" in the lower list");
            continue;
        }
        left.erase(it);
    }
    for (const std::string& row : left) {
        mismatches.push_back("a row that should not be in the lower list: " + row);
    }
    return mismatches;
}

} // namespace soak
