#include "settings/settings_file.h"
#include "ui/window_test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace rr::settings;

namespace {

std::string fileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

struct RoundTrip {
    const char* name;
    std::string value;
};

} // namespace

TEST(SettingsFile, PathIsProgramDirectoryAndFileName) {
    EXPECT_EQ(settingsFilePath("D:\\tools"), "D:\\tools\\peizhi.ini");
    EXPECT_EQ(settingsFilePath("D:"), "D:\\peizhi.ini");
    // Without a directory there is no file, rather than one in the current drive's root.
    EXPECT_EQ(settingsFilePath(""), "");
    EXPECT_EQ(readSettingsValue("", kSection, kPathEntry), "");
    EXPECT_FALSE(writeSettingsValue("", kSection, kPathEntry, "x"));
}

TEST(SettingsFile, ValuesComeBackByteForByte) {
    const RoundTrip cases[] = {
        {"chinese path", "D:\\资料\\压缩包 备份"},
        {"trail byte 0x5C", "C:\\\x9C\x5C\\\x95\x5C"},
        {"ascii suffix", "exe"},
        {"empty", ""},
        {"ampersand and equals", "a&b=c"},
    };
    rr::test::TempFolder folder;
    std::string file = settingsFilePath(folder.path());
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(writeSettingsValue(file, kSection, kPathEntry, c.value));
        EXPECT_EQ(readSettingsValue(file, kSection, kPathEntry), c.value);
    }
}

TEST(SettingsFile, FileHoldsTheChineseNamesInCodePage936) {
    rr::test::TempFolder folder;
    std::string file = settingsFilePath(folder.path());
    ASSERT_TRUE(writeSettingsValue(file, kSection, kPathEntry, "D:\\资料"));
    ASSERT_TRUE(writeSettingsValue(file, kSection, kSuffixEntry, "exe"));
    std::string content = fileContent(file);
    EXPECT_NE(content.find("[\xC5\xE4\xD6\xC3]"), std::string::npos) << content;
    EXPECT_NE(content.find("\xC2\xB7\xBE\xB6=D:\\\xD7\xCA\xC1\xCF"), std::string::npos) << content;
    EXPECT_NE(content.find("\xBA\xF3\xD7\xBA=exe"), std::string::npos) << content;
}

TEST(SettingsFile, AbsentFileSectionOrEntryReadsEmpty) {
    rr::test::TempFolder folder;
    std::string file = settingsFilePath(folder.path());
    EXPECT_EQ(readSettingsValue(file, kSection, kPathEntry), "");
    folder.addFile("peizhi.ini", "[other]\r\n路径=elsewhere\r\n");
    EXPECT_EQ(readSettingsValue(file, kSection, kPathEntry), "");
    folder.addFile("peizhi.ini", "[配置]\r\n路径=D:\\x\r\n");
    EXPECT_EQ(readSettingsValue(file, kSection, kSuffixEntry), "");
}

TEST(SettingsFile, LongValueIsCutAfter10239Bytes) {
    rr::test::TempFolder folder;
    std::string file = settingsFilePath(folder.path());
    std::string value(12000, 'a');
    for (std::size_t i = 0; i < value.size(); ++i) {
        value[i] = static_cast<char>('a' + i % 26);
    }
    folder.addFile("peizhi.ini", "[配置]\r\n路径=" + value + "\r\n");
    EXPECT_EQ(readSettingsValue(file, kSection, kPathEntry), value.substr(0, 10239));
    // Exactly 10239 bytes still come back whole.
    folder.addFile("peizhi.ini", "[配置]\r\n路径=" + value.substr(0, 10239) + "\r\n");
    EXPECT_EQ(readSettingsValue(file, kSection, kPathEntry), value.substr(0, 10239));
}

TEST(SettingsFile, OtherSectionsAndEntriesSurviveAWrite) {
    rr::test::TempFolder folder;
    std::string file = settingsFilePath(folder.path());
    folder.addFile("peizhi.ini",
                   "[其他]\r\n甲=1\r\n[配置]\r\n路径=old\r\n备注=keep\r\n[last]\r\nz=9\r\n");
    ASSERT_TRUE(writeSettingsValue(file, kSection, kPathEntry, "new"));
    ASSERT_TRUE(writeSettingsValue(file, kSection, kSuffixEntry, "rar"));
    EXPECT_EQ(readSettingsValue(file, kSection, kPathEntry), "new");
    EXPECT_EQ(readSettingsValue(file, kSection, kSuffixEntry), "rar");
    EXPECT_EQ(readSettingsValue(file, kSection, "备注"), "keep");
    EXPECT_EQ(readSettingsValue(file, "其他", "甲"), "1");
    EXPECT_EQ(readSettingsValue(file, "last", "z"), "9");
}

TEST(SettingsFile, WriteIntoMissingDirectoryFails) {
    rr::test::TempFolder folder;
    std::string file = settingsFilePath(folder.path() + "\\absent");
    EXPECT_FALSE(writeSettingsValue(file, kSection, kPathEntry, "x"));
}
