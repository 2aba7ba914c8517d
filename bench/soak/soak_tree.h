#pragma once
// The soak's tree of files: every kind of file a rename run meets, in many folders, each with
// the fate a correct run gives it.

#include <string>
#include <vector>

namespace soak {

enum class Fate { Untouched, Renamed, Recycled };

struct Expected {
    std::string kind;
    std::string relative; // code page 936, "\" between folders, from the tree's root
    std::string bytes;    // what the file holds, so a moved file can be recognised
    Fate fate = Fate::Untouched;
    std::string newName; // for Fate::Renamed: the file name it ends under, same folder
};

// The .rar files of one folder; the tree has as many folders as `archives` needs.
constexpr int kRarFilesPerFolder = 50;

struct Tree {
    std::string root; // code page 936, no trailing "\"
    std::vector<Expected> files;
    int rarFiles = 0;
};

// Writes at least `archives` .rar files (whole folders) and a few other files under `root`,
// which must not exist yet. Empty `files` on failure.
Tree makeTree(const std::string& root, int archives);

// One line per file: kind, path, then its new name, "untouched" or "recycled".
bool writeManifest(const Tree& tree, const std::string& path);

std::string folderOf(const std::string& relative);

} // namespace soak
