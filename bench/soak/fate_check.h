#pragma once
// After a run: every file of the soak's tree on disk against the fate it should have met.

#include "soak_tree.h"

#include <string>
#include <vector>

namespace soak {

struct FateReport {
    int asExpected = 0;
    std::vector<std::string> mismatches; // one line each, for the reader
};

FateReport checkFates(const Tree& tree);

// The rows of the lower list against the files acted on: one row each, "<path> → <new name>"
// or "<path>  文件已存在！该文件被删除！", and no other.
std::vector<std::string> checkReports(const Tree& tree, const std::vector<std::string>& rows);

} // namespace soak
