#pragma once
// The two inspection command lines, started directly (never through a command interpreter).
//
// The archiver reads its raw command line: spaces separate arguments and double quotes group
// them and are dropped, backslashes included literally. So every path goes in double quotes
// and reaches the archiver byte for byte, whatever it holds (spaces, & ^ % ! ( ) , ; = ' and
// two-byte characters whose second byte is "\"). A double quote cannot be quoted, and no
// Windows file name holds one, so such a path gives no command line.

#include <optional>
#include <string>
#include <string_view>

namespace rr::archiver {

constexpr std::string_view kArchiverName = "myrar.exe";
constexpr std::string_view kListingName = "filelist.txt";
constexpr std::string_view kCommentName = "mycomm.txt";
constexpr std::string_view kPassword = "qk5913";

// "<archiver>" v -p"qk5913" "<archive>"; its standard output is the listing.
std::optional<std::string> listingCommand(std::string_view archiverPath,
                                          std::string_view archivePath);

// "<archiver>" cw "<archive>"  "<comment file>" -p"qk5913"
std::optional<std::string> commentCommand(std::string_view archiverPath,
                                          std::string_view archivePath,
                                          std::string_view commentPath);

} // namespace rr::archiver
