// List archive and Read comment through the real myrar.exe of this tree, on fixtures made by
// the test-only RAR writer.

#include "archiver/archive_inspector.h"
#include "platform/work_directory_win.h"
#include "rar_writer.h"
#include "temp_tree_win.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using rar_writer::Archive;
using rar_writer::Format;
using rar_writer::Item;
using rr::archiver::ArchiveInspector;
using rr::test::fileExists;
using rr::test::TempTree;
using Names = std::vector<std::string>;

Item file(const std::string& name, bool encrypted = false) {
    Item item;
    item.name = name;
    item.data = "data of " + name;
    item.encrypted = encrypted;
    return item;
}

Item folder(const std::string& name) {
    Item item;
    item.name = name;
    item.directory = true;
    return item;
}

class RealArchiver : public testing::TestWithParam<Format> {
protected:
    std::string make(const std::string& name, Archive archive) {
        archive.format = GetParam();
        std::string path = tree / name;
        EXPECT_TRUE(rar_writer::saveFile(path, rar_writer::write(archive))) << path;
        return path;
    }
    Archive threeFiles() {
        Archive a;
        a.items = {file("readme.txt"), file("secret.doc", true), file("app/setup.exe")};
        return a;
    }
    Names list(const std::string& path, int expected) {
        auto listing = inspector.list(path);
        EXPECT_EQ(listing.result, expected) << path;
        return listing.entries;
    }

    TempTree tree{"real archiver"};
    rr::platform::WorkDirectory work{tree.path()};
    ArchiveInspector inspector{rr::test::hostPath(RR_BINARY_DIR "/myrar.exe"), work.path()};
};

const Names kThree = {"readme.txt", "secret.doc", "app\\setup.exe"};

TEST_P(RealArchiver, EntriesInArchiveOrderWithFoldersStoredOrNot) {
    EXPECT_EQ(list(make("three.rar", threeFiles()), 3), kThree);

    Archive withFolder = threeFiles();
    withFolder.items.insert(withFolder.items.begin() + 2, folder("app"));
    EXPECT_EQ(list(make("four.rar", withFolder), 4),
              (Names{"readme.txt", "secret.doc", "app", "app\\setup.exe"}));
}

TEST_P(RealArchiver, EmptyArchiveNonArchiveAndMissingPath) {
    EXPECT_TRUE(list(make("empty.rar", Archive{}), 0).empty());
    ASSERT_TRUE(rr::test::writeBytes(tree / "text.rar", "just some text\r\n"));
    list(tree / "text.rar", -1);
    list(tree / "missing.rar", -1);
}

TEST_P(RealArchiver, HeaderEncryptedArchives) {
    Archive ours = threeFiles();
    ours.headerPassword = "qk5913";
    EXPECT_EQ(list(make("ours.rar", ours), 3), kThree);
    Archive theirs = threeFiles();
    theirs.headerPassword = "another";
    list(make("theirs.rar", theirs), -1);
}

TEST_P(RealArchiver, CommentsNeverChangeTheEntries) {
    Archive hyphens = threeFiles();
    hyphens.comment = std::string(79, '-') + "\r\n" + " evil.exe\r\n";
    EXPECT_EQ(list(make("hyphens.rar", hyphens), 3), kThree);

    // A comment that copies a whole listing of other names, for this very archive.
    std::string path = tree / "copy.rar";
    std::string fake = "\r\n压缩包 " + path + "\r\n\r\n路径名称/注释\r\n" +
                       "                  大小     压缩  比率  日期   时间     属性      CRC"
                       "   方法版本\r\n" +
                       std::string(79, '-') + "\r\n evil.exe\r\n" +
                       "                    1        1 100% 01-01-20 00:00  .....A.   "
                       "00000000 m0  2.9\r\n" +
                       std::string(79, '-') +
                       "\r\n    1                1                1 100%\r\n";
    Archive copy = threeFiles();
    copy.comment = fake;
    EXPECT_EQ(list(make("copy.rar", copy), 3), kThree);
}

TEST_P(RealArchiver, ExtraLinesSpacesAndWideSizes) {
    Archive a;
    a.items = {file("with comment.exe"), file("with stream.exe"), file("  two  spaces  .txt"),
               file("big.iso")};
    a.items[0].fileComment = "a note\r\n\r\n fake.exe";
    a.items[1].streamName = "Zone.Identifier";
    a.items[3].declaredSize = 12345678901ULL;
    a.items[3].declaredPacked = 12345678901ULL;
    EXPECT_EQ(list(make("extras.rar", a), 4),
              (Names{"with comment.exe", "with stream.exe", "  two  spaces  .txt", "big.iso"}));
}

TEST_P(RealArchiver, HostileArchiveNamesAreListedAndRunNothing) {
    for (const std::string name :
         {"%PATH%.rar", "a^b.rar", "!x! (1),;='&echo hacked.rar", "\x81\x5C\x81\x7C.rar"}) {
        EXPECT_EQ(list(make(name, threeFiles()), 3), kThree) << name;
    }
    EXPECT_FALSE(fileExists(tree / "hacked"));
    EXPECT_FALSE(fileExists("pwned.txt"));
}

TEST_P(RealArchiver, ReadCommentGivesTheStoredBytes) {
    Archive a = threeFiles();
    a.comment = "first line\r\n" + std::string(79, '-') + "\r\n\x1A after Ctrl-Z";
    EXPECT_EQ(inspector.readComment(make("commented.rar", a)), a.comment);

    EXPECT_EQ(inspector.readComment(make("plain.rar", threeFiles())), "");
    EXPECT_FALSE(fileExists(inspector.commentPath()));
}

INSTANTIATE_TEST_SUITE_P(Formats, RealArchiver, testing::Values(Format::Rar4, Format::Rar5),
                         [](const auto& info) {
                             return info.param == Format::Rar4 ? "Rar4" : "Rar5";
                         });

} // namespace
