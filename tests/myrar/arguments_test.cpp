#include "command_line.h"

#include <gtest/gtest.h>

namespace {

using myrar::parseArguments;
using myrar::splitCommandLine;

TEST(CommandLine, SplitsAtSpacesAndTabsAndDropsQuotes) {
    auto t = splitCommandLine("C:\\T\\myrar.exe v -p\"qk 5913\"\tD:\\A B\\x.rar  \"\" end");
    ASSERT_EQ(t.size(), 7u);
    EXPECT_EQ(t[0], "C:\\T\\myrar.exe");
    EXPECT_EQ(t[2], "-pqk 5913");
    EXPECT_EQ(t[3], "D:\\A");
    EXPECT_EQ(t[4], "B\\x.rar");
    EXPECT_EQ(t[5], "");
    EXPECT_EQ(t[6], "end");
    // A quoted stretch in the middle of a word joins it; GBK bytes pass unchanged.
    auto g = splitCommandLine("a\"b c\"d \xD6\xD0\xCE\xC4.rar");
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0], "ab cd");
    EXPECT_EQ(g[1], "\xD6\xD0\xCE\xC4.rar");
}

TEST(CommandLine, SwitchesAnywhereUntilDoubleDash) {
    // The comment command puts the password after the destination.
    auto a = parseArguments(splitCommandLine("cw D:\\x.rar  C:\\T\\mycomm.txt -p\"qk5913\""), "-/");
    EXPECT_EQ(a.command, "cw");
    EXPECT_EQ(a.archive, "D:\\x.rar");
    ASSERT_EQ(a.files.size(), 1u);
    EXPECT_EQ(a.files[0], "C:\\T\\mycomm.txt");
    EXPECT_EQ(a.password, "qk5913");
    EXPECT_TRUE(a.unknownSwitch.empty());

    auto b = parseArguments({"v", "/pabc", "--", "-p.rar"}, "-/");
    EXPECT_EQ(b.password, "abc");
    EXPECT_EQ(b.archive, "-p.rar");

    auto c = parseArguments({"v", "-x", "a.rar"}, "-/");
    EXPECT_EQ(c.unknownSwitch, "-x");
    // Natively "/" starts a path, not a switch.
    auto d = parseArguments({"v", "/tmp/a.rar"}, "-");
    EXPECT_EQ(d.archive, "/tmp/a.rar");
    // "-p" alone sets no password.
    EXPECT_FALSE(parseArguments({"v", "-p", "a.rar"}, "-").password.has_value());
}

} // namespace
