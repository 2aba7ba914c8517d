#include "archiver/command_line.h"

namespace rr::archiver {

namespace {

constexpr char kQuote = '"';

bool quotable(std::string_view path) {
    return !path.empty() && path.find(kQuote) == std::string_view::npos;
}

std::string quoted(std::string_view path) {
    std::string out(1, kQuote);
    out += path;
    out += kQuote;
    return out;
}

std::string passwordSwitch() {
    return "-p" + quoted(kPassword);
}

} // namespace

std::optional<std::string> listingCommand(std::string_view archiverPath,
                                          std::string_view archivePath) {
    if (!quotable(archiverPath) || !quotable(archivePath)) {
        return std::nullopt;
    }
    return quoted(archiverPath) + " v " + passwordSwitch() + " " + quoted(archivePath);
}

std::optional<std::string> commentCommand(std::string_view archiverPath,
                                          std::string_view archivePath,
                                          std::string_view commentPath) {
    if (!quotable(archiverPath) || !quotable(archivePath) || !quotable(commentPath)) {
        return std::nullopt;
    }
    return quoted(archiverPath) + " cw " + quoted(archivePath) + "  " + quoted(commentPath) + " " +
           passwordSwitch();
}

} // namespace rr::archiver
