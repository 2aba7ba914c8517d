#include "platform/cp936_text.h"

#include <gtest/gtest.h>

using namespace rr::cp936;

namespace {
// GBK 9C 5C and 95 5C end in the byte of "\"; 83 41 ends in "A", B0 61 in "a".
const std::string kTrail5C = "\x9C\x5C";
const std::string kTrail5C2 = "\x95\x5C";
const std::string kTrailA = "\x83\x41";
const std::string kTrailLowerA = "\xB0\x61";
} // namespace

TEST(Cp936Literals, AreStoredAsCodePage936) {
    // The settings section name as the built code holds it.
    EXPECT_EQ(std::string("配置"), std::string("\xC5\xE4\xD6\xC3"));
    EXPECT_EQ(std::string("文件已存在！"),
              std::string("\xCE\xC4\xBC\xFE\xD2\xD1\xB4\xE6\xD4\xDA\xA3\xA1"));
}

TEST(Cp936Text, LeadBytes) {
    EXPECT_FALSE(isLeadByte(0x80));
    EXPECT_TRUE(isLeadByte(0x81));
    EXPECT_TRUE(isLeadByte(0xFE));
    EXPECT_FALSE(isLeadByte(0xFF));
    EXPECT_FALSE(isLeadByte('\\'));
}

TEST(Cp936Text, FindLastSkipsTrailBytes) {
    struct Case {
        std::string text;
        std::size_t expected;
    } cases[] = {
        {"", std::string::npos},
        {"abc", std::string::npos},
        {"a\\b\\c", 3},
        {"C:\\" + kTrail5C, 2},
        {"C:\\dir\\" + kTrail5C + kTrail5C2, 6},
        {kTrail5C + kTrail5C2, std::string::npos},
        {kTrail5C + "\\", 2},
        {"\\", 0},
        {"ab\x81", std::string::npos}, // a lone lead byte at the end
    };
    for (const auto& c : cases) {
        EXPECT_EQ(findLast(c.text, '\\'), c.expected) << c.text;
    }
}

TEST(Cp936Text, SplitAtSeparators) {
    using V = std::vector<std::string>;
    struct Case {
        std::string text;
        V expected;
    } cases[] = {
        {"", V{}},
        {"setup.exe", V{"setup.exe"}},
        {"app\\bin\\start.exe", V{"app", "bin", "start.exe"}},
        {"\\lead", V{"", "lead"}},
        {"trail\\", V{"trail"}},
        {"a\\\\b", V{"a", "", "b"}},
        {kTrail5C + "\\" + kTrail5C2 + ".exe", V{kTrail5C, kTrail5C2 + ".exe"}},
        {kTrail5C + kTrail5C2, V{kTrail5C + kTrail5C2}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(split(c.text, '\\'), c.expected) << c.text;
    }
}

TEST(Cp936Text, LastBytes) {
    EXPECT_EQ(lastBytes("a.rar", 4), ".rar");
    EXPECT_EQ(lastBytes("ar", 4), "ar");
    EXPECT_EQ(lastBytes("", 4), "");
}

TEST(Cp936Text, EndsWith) {
    const rr::cp936::Case exact = rr::cp936::Case::Exact;
    const rr::cp936::Case fold = rr::cp936::Case::IgnoreAscii;
    struct Row {
        std::string text, suffix;
        rr::cp936::Case rule;
        bool expected;
    } rows[] = {
        {"setup.exe", ".exe", exact, true},
        {"SETUP.EXE", ".exe", exact, false},
        {"SETUP.EXE", ".exe", fold, true},
        {"a.RaR", ".rar", fold, true},
        {"exe", ".exe", fold, false},
        {"x.exe", "", exact, true},
        // A trail byte "A" is not the letter A, so it never folds to "a".
        {"x" + kTrailA, kTrailLowerA, fold, false},
        {"x" + kTrailA, "\x83\x61", fold, false},
        {"x" + kTrailA, kTrailA, fold, true},
        // The suffix must start where a character starts.
        {kTrailA, "A", fold, false},
        {kTrailA, "a", fold, false},
        {kTrail5C + ".exe", kTrail5C + ".EXE", fold, true},
        {"\x9C" + std::string("a") + ".exe", "A.exe", fold, false},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(endsWith(r.text, r.suffix, r.rule), r.expected) << r.text << " / " << r.suffix;
    }
}

TEST(Cp936Text, AsciiLowerLeavesDoubleByteCharacters) {
    EXPECT_EQ(asciiLower("SETUP.EXE"), "setup.exe");
    EXPECT_EQ(asciiLower(kTrailA + "AB"), kTrailA + "ab");
}

TEST(Cp936Text, Decimal) {
    EXPECT_EQ(decimal(0), "0");
    EXPECT_EQ(decimal(10), "10");
    EXPECT_EQ(decimal(100000), "100000");
    EXPECT_EQ(decimal(-1), "-1");
}
