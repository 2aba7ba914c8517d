#pragma once
// The verbose listing (`v`) and the comment command (`cw`), writing into strings so that
// tests see exactly the bytes the console gets. All text is code page 936, lines end CR LF.

#include "archive_entry.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace myrar {

struct CommandOutput {
    std::string out; // standard output
    std::string err; // error output
};

// The two banner lines of our own, each with its CR LF, after the leading empty line.
std::string bannerLines();

// Lists the archive at path; returns the exit code.
int listArchive(const std::string& path, const std::optional<std::string>& password,
                CommandOutput& output);

// What cw needs from the system besides reading the archive.
struct CommentTarget {
    bool (*exists)(const std::string& path);
    // Asks whether to overwrite; false when there is no console to ask or the answer is no.
    bool (*confirmOverwrite)(const std::string& question);
    bool (*write)(const std::string& path, const std::string& bytes);
};

int writeComment(const std::string& path, const std::string& destination,
                 const std::optional<std::string>& password, const CommentTarget& target,
                 CommandOutput& output);

// Pieces of a details line, exposed for tests.
std::string formatDetails(const Entry& e);
std::string formatTime(const Entry& e);
char dictionaryLetter(std::uint64_t dictionarySize);
std::string displayName(const Entry& e);

} // namespace myrar
