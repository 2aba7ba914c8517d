#include "rename/collection.h"
#include "rename/directory_scan.h"
#include "support/fake_units.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using rr::rename::DirectoryEntry;
using rr::ui::UnitId;

namespace {

// A tree in memory: directory path -> entries in "file system order". A name ending in "/"
// is a directory, one ending in "@" a directory link.
class FakeTree : public rr::rename::DirectoryLister {
public:
    std::map<std::string, std::vector<std::string>> dirs;
    std::vector<std::string> listed;

    bool list(const std::string& directory,
              const std::function<void(const DirectoryEntry&)>& found) override {
        listed.push_back(directory);
        auto it = dirs.find(directory);
        if (it == dirs.end()) {
            return false;
        }
        found({".", true, false});
        found({"..", true, false});
        for (std::string name : it->second) {
            DirectoryEntry e;
            if (name.back() == '/' || name.back() == '@') {
                e.isDirectory = true;
                e.isLink = name.back() == '@';
                name.pop_back();
            }
            e.name = name;
            found(e);
        }
        return true;
    }
};

} // namespace

TEST(DirectoryScan, WalksBreadthFirstInFileSystemOrder) {
    struct Case {
        const char* title;
        std::string root;
        std::map<std::string, std::vector<std::string>> dirs;
        std::vector<std::string> expected;
    } cases[] = {
        {"empty directory", "D:\\a", {{"D:\\a", {}}}, {}},
        {"missing directory", "D:\\none", {}, {}},
        {"files before subdirectories, unsorted",
         "D:\\a",
         {{"D:\\a", {"z.rar", "sub/", "b.txt"}}, {"D:\\a\\sub", {"c.rar"}}},
         {"D:\\a\\z.rar", "D:\\a\\b.txt", "D:\\a\\sub\\c.rar"}},
        {"level by level",
         "D:\\a",
         {{"D:\\a", {"x/", "y/"}},
          {"D:\\a\\x", {"deep/", "x1"}},
          {"D:\\a\\y", {"y1"}},
          {"D:\\a\\x\\deep", {"d1"}}},
         {"D:\\a\\x\\x1", "D:\\a\\y\\y1", "D:\\a\\x\\deep\\d1"}},
        {"unreadable subdirectory passed over",
         "D:\\a",
         {{"D:\\a", {"locked/", "f"}}},
         {"D:\\a\\f"}},
        {"links not followed",
         "D:\\a",
         {{"D:\\a", {"loop@", "f"}}, {"D:\\a\\loop", {"never"}}},
         {"D:\\a\\f"}},
        {"drive root joins without a doubled separator",
         "C:\\",
         {{"C:\\", {"a.rar", "d/"}}, {"C:\\d", {"b.rar"}}},
         {"C:\\a.rar", "C:\\d\\b.rar"}},
        {"double-byte names whose second byte is 0x5C",
         "D:\\\x9C\x5C",
         {{"D:\\\x9C\x5C", {"\x95\x5C.rar"}}},
         {"D:\\\x9C\x5C\\\x95\x5C.rar"}},
    };
    for (const auto& c : cases) {
        FakeTree tree;
        tree.dirs = c.dirs;
        std::vector<std::string> found;
        std::size_t n = rr::rename::scanDirectory(c.root, tree, found);
        EXPECT_EQ(found, c.expected) << c.title;
        EXPECT_EQ(n, c.expected.size()) << c.title;
    }
}

TEST(DirectoryScan, EmptyRootWalksNothing) {
    FakeTree tree;
    tree.dirs[""] = {"x"};
    tree.dirs["\\"] = {"y"};
    std::vector<std::string> found;
    EXPECT_EQ(rr::rename::scanDirectory("", tree, found), 0u);
    EXPECT_TRUE(tree.listed.empty());
}

TEST(DirectoryScan, StopsWhenAsked) {
    FakeTree tree;
    tree.dirs = {{"D:\\a", {"f", "s/"}}, {"D:\\a\\s", {"g"}}};
    std::atomic<bool> stop{true};
    std::vector<std::string> found;
    EXPECT_EQ(rr::rename::scanDirectory("D:\\a", tree, found, &stop), 0u);
}

TEST(Collection, FillsTheUpperListAndCount) {
    FakeTree tree;
    for (int i = 0; i < 2500; ++i) {
        tree.dirs["D:\\big"].push_back("f" + std::to_string(i));
    }
    rr::test::FakeUnits units;
    units.texts[UnitId::编辑框_路径] = "D:\\big";
    units.rows[UnitId::超级列表框1] = {{"1", "old"}};
    units.rows[UnitId::超级列表框2] = {{"1", "old"}};

    EXPECT_EQ(rr::rename::collectArchives(units, tree), 2500u);

    EXPECT_EQ(units.texts[UnitId::标签2], "文件数量：2500");
    EXPECT_EQ(units.button2States, (std::vector<bool>{false, true}));
    ASSERT_EQ(units.rows[UnitId::超级列表框1].size(), 2500u);
    EXPECT_EQ(units.rows[UnitId::超级列表框1][0].number, "1");
    EXPECT_EQ(units.rows[UnitId::超级列表框1][9].number, "10");
    EXPECT_EQ(units.rows[UnitId::超级列表框1][2499].number, "2500");
    EXPECT_EQ(units.rows[UnitId::超级列表框1][2499].path, "D:\\big\\f2499");
    EXPECT_TRUE(units.rows[UnitId::超级列表框2].empty());
}

TEST(Collection, EmptyDirectoryBoxSaysSoAndWalksNothing) {
    FakeTree tree;
    tree.dirs[""] = {"x"};
    rr::test::FakeUnits units;
    EXPECT_EQ(rr::rename::collectArchives(units, tree), 0u);
    EXPECT_TRUE(tree.listed.empty());
    EXPECT_EQ(units.texts[UnitId::标签2], "文件数量：0");
    EXPECT_TRUE(units.rows[UnitId::超级列表框1].empty());
    ASSERT_EQ(units.rows[UnitId::超级列表框2].size(), 1u);
    EXPECT_NE(units.rows[UnitId::超级列表框2][0].path.find("未选择目录"), std::string::npos);
    EXPECT_EQ(units.enabled[UnitId::按钮2], true);
}

TEST(DirectoryScan, ADirectoryMetAgainByIdentityIsNotListedTwice) {
    // "D:\a\again" is the same directory as "D:\a" without being marked as a link.
    class SameDirectoryTwice : public FakeTree {
    public:
        std::set<std::string> seen;
        bool firstVisit(const std::string& directory) override {
            std::string identity = directory.substr(0, directory.find("\\again"));
            return seen.insert(identity).second;
        }
        void startWalk() override { seen.clear(); }
    } tree;
    tree.dirs = {{"D:\\a", {"f", "again/"}}, {"D:\\a\\again", {"f", "again/"}}};
    std::vector<std::string> found;
    EXPECT_EQ(rr::rename::scanDirectory("D:\\a", tree, found), 1u);
    EXPECT_EQ(rr::rename::scanDirectory("D:\\a", tree, found), 1u) << "a new walk starts afresh";
}
