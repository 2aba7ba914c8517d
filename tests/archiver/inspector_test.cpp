// The inspection commands with a stand-in archiver that shows what reached it.

#include "archiver/archive_inspector.h"
#include "platform/work_directory_win.h"
#include "temp_tree_win.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using rr::archiver::ArchiveInspector;
using rr::test::fileExists;
using rr::test::readBytes;
using rr::test::TempTree;
using rr::test::writeBytes;

class Inspector : public testing::Test {
protected:
    TempTree tree{"inspect & (test) %TEMP%"};
    rr::platform::WorkDirectory work{tree.path()};
    ArchiveInspector inspector{rr::test::hostPath(FAKE_ARCHIVER), work.path()};
};

TEST_F(Inspector, HostileNamesReachTheArchiverWholeAndRunNothing) {
    const std::vector<std::string> names = {
        "x&echo hacked>pwned.txt&.rar", "%PATH%.rar", "a^b.rar", "!x! (1),;='.rar",
        "two  spaces .rar",
        // Two-byte characters whose second byte is "\" (0x5C) and "|" (0x7C).
        "\x81\x5C\x81\x7C.rar"};
    for (const auto& name : names) {
        std::string path = tree / name;
        // Windows refuses some of these names for files; they must still reach the archiver.
        writeBytes(path, "not an archive");
        auto listing = inspector.list(path);
        // The stand-in names the archive on its archive line: the reader takes the listing
        // only when the path came back byte for byte.
        EXPECT_EQ(listing.result, 2) << name;
        EXPECT_EQ(listing.entries, (std::vector<std::string>{"v", "-pqk5913"})) << name;
    }
    EXPECT_FALSE(fileExists(tree / "pwned.txt"));
    EXPECT_FALSE(fileExists("pwned.txt"));
}

TEST_F(Inspector, AListingLeftFromAnEarlierArchiveIsNeverTaken) {
    std::string path = tree / "a.rar";
    ASSERT_EQ(inspector.list(path).result, 2);
    ASSERT_TRUE(fileExists(inspector.listingPath()));

    ArchiveInspector broken(tree / "no such archiver.exe", work.path());
    EXPECT_EQ(broken.list(path).result, -1);
    EXPECT_FALSE(fileExists(inspector.listingPath()));
}

TEST_F(Inspector, ReadCommentYieldsTheFileAndNeverAStaleOne) {
    std::string path = tree / "with comment.rar";
    EXPECT_EQ(inspector.readComment(path), path);

    ASSERT_TRUE(writeBytes(inspector.commentPath(), "stale"));
    EXPECT_EQ(inspector.readComment(tree / "nocomment.rar"), "");
    EXPECT_FALSE(fileExists(inspector.commentPath()));
}

TEST(InspectorWithoutWorkDirectory, GivesNothing) {
    ArchiveInspector inspector(rr::test::hostPath(FAKE_ARCHIVER), "");
    EXPECT_EQ(inspector.list("C:\\a.rar").result, -1);
    EXPECT_EQ(inspector.readComment("C:\\a.rar"), "");
}

} // namespace
