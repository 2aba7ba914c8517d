#include "rename/rename_loop.h"

#include "fake_files.h"
#include "support/fake_units.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

using rr::rename::renameArchives;
using rr::test::FakeFiles;
using rr::test::FakeLister;
using rr::test::FakeUnits;
using rr::ui::UnitId;

const std::string kNameTaken = "文件已存在！该文件被删除！";
const std::string kFinished = "RAR文件名称修改完毕！";

std::string progress(int i) {
    return "正在修改第" + std::to_string(i) + "个文件名称。";
}

class RenameLoop : public testing::Test {
protected:
    // A row in the upper list for a file that exists.
    void file(const std::string& path) {
        files.addFile(path);
        row(path);
    }
    void row(const std::string& path) {
        int n = static_cast<int>(units.rows[UnitId::超级列表框1].size()) + 1;
        units.rows[UnitId::超级列表框1].push_back({std::to_string(n), path});
    }
    rr::rename::LoopTotals run(const std::string& suffix = ".exe",
                               const std::atomic<bool>* stop = nullptr) {
        return renameArchives(units, lister, files, suffix, stop);
    }
    std::vector<std::string> lower() { return units.paths(UnitId::超级列表框2); }
    std::vector<std::string> lowerNumbers() {
        std::vector<std::string> out;
        for (const auto& r : units.rows[UnitId::超级列表框2]) {
            out.push_back(r.number);
        }
        return out;
    }

    FakeUnits units;
    FakeLister lister;
    FakeFiles files;
};

TEST_F(RenameLoop, RenamesAfterTheMatchingEntryAndReportsEachStep) {
    file("D:\\g\\a.rar");
    lister.add("D:\\g\\a.rar", {"readme.txt", "setup.exe"});
    file("D:\\g\\notes.txt");
    file("D:\\g\\b.rar");
    lister.add("D:\\g\\b.rar", {"data\\readme.txt", "app\\bin\\start.exe"});

    auto totals = run();

    EXPECT_EQ(totals.renamed, 2);
    EXPECT_TRUE(files.has("D:\\g\\setup.rar"));
    EXPECT_TRUE(files.has("D:\\g\\start.rar"));
    EXPECT_TRUE(files.has("D:\\g\\notes.txt"));
    EXPECT_EQ(lister.listed, (std::vector<std::string>{"D:\\g\\a.rar", "D:\\g\\b.rar"}));
    EXPECT_EQ(units.history[UnitId::标签3],
              (std::vector<std::string>{progress(1), progress(2), progress(3), kFinished}));
    EXPECT_EQ(lower(),
              (std::vector<std::string>{"D:\\g\\a.rar → setup.rar", "D:\\g\\b.rar → start.rar"}));
    EXPECT_EQ(lowerNumbers(), (std::vector<std::string>{"1", "2"}));
}

TEST_F(RenameLoop, EmptyListStillGetsTheClosingMessageOnce) {
    run();
    EXPECT_EQ(units.history[UnitId::标签3], (std::vector<std::string>{kFinished}));
    EXPECT_TRUE(lower().empty());
}

TEST_F(RenameLoop, SecondArchiveOfATakenNameIsRecycled) {
    file("D:\\g\\one.rar");
    file("D:\\g\\two.rar");
    lister.add("D:\\g\\one.rar", {"tool.exe"});
    lister.add("D:\\g\\two.rar", {"x\\tool.exe"});

    auto totals = run();

    EXPECT_EQ(totals.renamed, 1);
    EXPECT_EQ(totals.deleted, 1);
    EXPECT_TRUE(files.has("D:\\g\\tool.rar"));
    EXPECT_EQ(files.recycled, (std::vector<std::string>{"D:\\g\\two.rar"}));
    EXPECT_EQ(lower(), (std::vector<std::string>{"D:\\g\\one.rar → tool.rar",
                                                 "D:\\g\\two.rar  " + kNameTaken}));
}

TEST_F(RenameLoop, FailedDeletionKeepsTheArchiveAndSaysSo) {
    file("D:\\g\\tool.rar");
    file("D:\\g\\two.rar");
    lister.add("D:\\g\\two.rar", {"tool.exe"});
    files.recycleFails = true;

    run();

    EXPECT_TRUE(files.has("D:\\g\\two.rar"));
    ASSERT_EQ(lower().size(), 1u);
    EXPECT_EQ(lower()[0].find(kNameTaken), std::string::npos);
    EXPECT_NE(lower()[0].find("D:\\g\\two.rar"), std::string::npos);
}

TEST_F(RenameLoop, NeverDeletesAnArchiveBecauseOfItself) {
    // The same name in another letter case, and a short name of the same file.
    file("D:\\g\\Setup.rar");
    lister.add("D:\\g\\Setup.rar", {"setup.exe"});
    file("D:\\g\\LONGNA~1.RAR");
    files.addAlias("D:\\g\\LONGNA~1.RAR", "D:\\g\\longname.rar");
    lister.add("D:\\g\\LONGNA~1.RAR", {"longname.exe"});

    auto totals = run();

    EXPECT_EQ(totals.deleted + totals.renamed, 0);
    EXPECT_TRUE(files.recycled.empty());
    EXPECT_TRUE(files.has("D:\\g\\Setup.rar"));
    EXPECT_TRUE(lower().empty());
}

TEST_F(RenameLoop, SuffixTestsIgnoreAsciiCase) {
    file("D:\\g\\A.RAR");
    lister.add("D:\\g\\A.RAR", {"Setup.EXE"});
    run();
    EXPECT_TRUE(files.has("D:\\g\\Setup.rar"));
}

TEST_F(RenameLoop, SuffixTextsThatMatchNothingOrdinary) {
    file("D:\\g\\a.rar");
    lister.add("D:\\g\\a.rar", {"setup.exe", "odd."});
    run("..exe");
    EXPECT_TRUE(files.has("D:\\g\\a.rar"));

    // "." alone: only names ending in "." match; "odd." then gives "odd.rar".
    run(".");
    EXPECT_TRUE(files.has("D:\\g\\odd.rar"));
}

TEST_F(RenameLoop, EntryThatIsTheSuffixAloneIsPassedOver) {
    file("D:\\g\\a.rar");
    lister.add("D:\\g\\a.rar", {"dir\\.exe", "real.exe"});
    run();
    EXPECT_TRUE(files.has("D:\\g\\real.rar"));
}

TEST_F(RenameLoop, ListingFailuresAndVolumesLeaveArchivesAlone) {
    file("D:\\g\\broken.rar"); // no listing: -1
    file("D:\\g\\empty.rar");
    lister.add("D:\\g\\empty.rar", {});
    file("D:\\g\\set.part1.rar");
    lister.add("D:\\g\\set.part1.rar", {"big.exe"}, /*isVolume=*/true);

    auto totals = run();

    EXPECT_EQ(totals.renamed + totals.deleted, 0);
    EXPECT_EQ(files.all().size(), 3u);
    EXPECT_TRUE(lower().empty());
}

struct HostileCase {
    const char* entry;
    const char* resultName; // empty: the archive stays as it is
};

class HostileNames : public RenameLoop, public testing::WithParamInterface<HostileCase> {};

TEST_P(HostileNames, OnlyPlainNamesInTheArchivesOwnFolder) {
    file("D:\\g\\a.rar");
    files.addFile("D:\\g\\victim.rar");
    lister.add("D:\\g\\a.rar", {GetParam().entry});

    run();

    std::string expected = GetParam().resultName;
    if (expected.empty()) {
        EXPECT_TRUE(files.has("D:\\g\\a.rar"));
        EXPECT_EQ(files.all().size(), 2u);
        EXPECT_TRUE(lower().empty());
    } else {
        EXPECT_TRUE(files.has("D:\\g\\" + expected));
        EXPECT_FALSE(files.has("D:\\g\\a.rar"));
    }
    EXPECT_TRUE(files.recycled.empty());
    EXPECT_TRUE(files.has("D:\\g\\victim.rar"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileNames,
    testing::Values(HostileCase{"..\\..\\evil.exe", "evil.rar"}, HostileCase{"CON.exe", ""},
                    HostileCase{"con .exe", ""}, HostileCase{"lpt9.tar.exe", ""},
                    HostileCase{"COM0.exe", "COM0.rar"}, HostileCase{"a:b.exe", ""},
                    HostileCase{"a/b.exe", ""}, HostileCase{"a*b.exe", ""},
                    HostileCase{"a|b.exe", ""},
                    HostileCase{"a\x01"
                                "b.exe",
                                ""},
                    HostileCase{"x .exe", "x .rar"}, HostileCase{"..exe", "..rar"},
                    HostileCase{"\x81.exe", ""},
                    HostileCase{"\xB1\xED\x81\x5C.exe", "\xB1\xED\x81\x5C.rar"}));

TEST_F(RenameLoop, TrailByteBackslashDoesNotSplitTheName) {
    file("D:\\g\\a.rar");
    lister.add("D:\\g\\a.rar", {"dir\\\x81\x5Cname.exe"});
    run();
    EXPECT_TRUE(files.has("D:\\g\\\x81\x5Cname.rar"));
}

TEST_F(RenameLoop, OverlongNewPathLeavesTheArchiveAlone) {
    std::string dir = "D:\\" + std::string(240, 'd') + "\\";
    file(dir + "a.rar");
    lister.add(dir + "a.rar", {std::string(30, 'n') + ".exe"});
    run();
    EXPECT_TRUE(files.has(dir + "a.rar"));
}

TEST_F(RenameLoop, VanishedOrChangedFilesArePassedOver) {
    row("D:\\g\\gone.rar");
    lister.add("D:\\g\\gone.rar", {"x.exe"});
    file("D:\\g\\changing.rar");
    lister.add("D:\\g\\changing.rar", {"y.exe"});
    lister.duringListing = [this](const std::string& path) {
        if (path == "D:\\g\\changing.rar") {
            files.touch(path);
        }
    };

    auto totals = run();

    EXPECT_EQ(totals.renamed, 0);
    EXPECT_EQ(lister.listed, (std::vector<std::string>{"D:\\g\\changing.rar"}));
    EXPECT_TRUE(files.has("D:\\g\\changing.rar"));
}

TEST_F(RenameLoop, TakenByADirectoryMeansTaken) {
    file("D:\\g\\a.rar");
    files.directories.insert("d:\\g\\tool.rar");
    lister.add("D:\\g\\a.rar", {"tool.exe"});
    run();
    EXPECT_EQ(files.recycled, (std::vector<std::string>{"D:\\g\\a.rar"}));
}

TEST_F(RenameLoop, StopEndsAfterTheCurrentRow) {
    std::atomic<bool> stop{false};
    file("D:\\g\\a.rar");
    file("D:\\g\\b.rar");
    lister.add("D:\\g\\a.rar", {"one.exe"});
    lister.add("D:\\g\\b.rar", {"two.exe"});
    lister.duringListing = [&stop](const std::string&) { stop = true; };

    auto totals = run(".exe", &stop);

    EXPECT_EQ(totals.rows, 1);
    EXPECT_TRUE(files.has("D:\\g\\one.rar"));
    EXPECT_TRUE(files.has("D:\\g\\b.rar"));
    EXPECT_EQ(units.history[UnitId::标签3].back(), kFinished);
}

} // namespace
