#include "archiver/command_line.h"

#include <gtest/gtest.h>

namespace {

using namespace rr::archiver;

TEST(CommandLine, QuotesEveryPathAndKeepsTheFixedTexts) {
    EXPECT_EQ(listingCommand("C:\\Temp dir\\myrar.exe", "D:\\a&b ^%x%.rar"),
              "\"C:\\Temp dir\\myrar.exe\" v -p\"qk5913\" \"D:\\a&b ^%x%.rar\"");
    EXPECT_EQ(commentCommand("C:\\T\\myrar.exe", "D:\\a b.rar", "C:\\T\\w\\mycomm.txt"),
              "\"C:\\T\\myrar.exe\" cw \"D:\\a b.rar\"  \"C:\\T\\w\\mycomm.txt\" -p\"qk5913\"");
}

TEST(CommandLine, RefusesWhatCannotBeQuoted) {
    EXPECT_FALSE(listingCommand("C:\\myrar.exe", "D:\\a\"b.rar"));
    EXPECT_FALSE(listingCommand("C:\\myrar.exe", ""));
    EXPECT_FALSE(commentCommand("C:\\myrar.exe", "D:\\a.rar", ""));
}

} // namespace
