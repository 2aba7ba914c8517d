#include "archiver/archive_inspector.h"
#include "archiver/deployment.h"
#include "platform/work_directory_win.h"
#include "temp_tree_win.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using rr::archiver::deployArchiver;
using rr::test::readBytes;
using rr::test::TempTree;
using rr::test::writeBytes;

// Points GetTempPathA at `directory` while alive.
class TemporaryDirectoryOverride {
public:
    explicit TemporaryDirectoryOverride(const std::string& directory) {
        for (const char* name : {"TMP", "TEMP"}) {
            char old[MAX_PATH + 1] = {};
            DWORD n = GetEnvironmentVariableA(name, old, sizeof(old));
            saved_.push_back({name, std::string(old, n), n != 0});
            SetEnvironmentVariableA(name, directory.c_str());
        }
    }
    ~TemporaryDirectoryOverride() {
        for (const auto& s : saved_) {
            SetEnvironmentVariableA(s.name, s.had ? s.value.c_str() : nullptr);
        }
    }

private:
    struct Saved {
        const char* name;
        std::string value;
        bool had;
    };
    std::vector<Saved> saved_;
};

std::string image() {
    // Bytes that differ along their whole length, of the size the tool's image has.
    std::string bytes(148992, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 131) ^ (i >> 8));
    }
    return bytes;
}

class Deployment : public testing::Test {
protected:
    TempTree tree{"deploy to a dir with spaces"};
    TemporaryDirectoryOverride temp{tree.path()};
    std::string target = tree / "myrar.exe";
};

TEST_F(Deployment, WritesTheImageIntoATemporaryDirectoryWithSpaces) {
    auto deployment = deployArchiver(image());
    EXPECT_EQ(deployment.temporaryDirectory, tree.path());
    EXPECT_EQ(deployment.archiverPath(), target);
    EXPECT_TRUE(deployment.written);
    EXPECT_TRUE(readBytes(target) == image());
}

TEST_F(Deployment, DeployingTwiceAndOverAStaleCopyLeavesExactlyTheImage) {
    ASSERT_TRUE(writeBytes(target, std::string(1000, 'x')));
    EXPECT_TRUE(deployArchiver(image()).written);
    EXPECT_TRUE(deployArchiver(image()).written);
    EXPECT_TRUE(readBytes(target) == image());
}

TEST_F(Deployment, ReadOnlyCopyStaysAsItWas) {
    ASSERT_TRUE(writeBytes(target, "old"));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    HANDLE probe = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "this file system lets the test's user write read-only files";
    }
    EXPECT_FALSE(deployArchiver(image()).written);
    EXPECT_EQ(readBytes(target), "old");
    SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Deployment, AnEmptyImageNeverTruncatesAGoodCopy) {
    ASSERT_TRUE(writeBytes(target, "good"));
    EXPECT_FALSE(deployArchiver("").written);
    EXPECT_EQ(readBytes(target), "good");
}

TEST_F(Deployment, LockedCopyStaysAndListingStillWorksFromIt) {
    // A running copy lets others read and execute it but not write.
    std::string archiver = readBytes(rr::test::hostPath(FAKE_ARCHIVER));
    ASSERT_FALSE(archiver.empty());
    ASSERT_TRUE(deployArchiver(archiver).written);
    HANDLE lock = CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);

    auto deployment = deployArchiver(image());
    EXPECT_FALSE(deployment.written);

    rr::platform::WorkDirectory work(tree.path());
    rr::archiver::ArchiveInspector inspector(deployment.archiverPath(), work.path());
    EXPECT_EQ(inspector.list(tree / "a.rar").result, 2);
    CloseHandle(lock);
    EXPECT_EQ(readBytes(target), archiver);
}

TEST(WorkDirectory, BelongsToTheProcessAndGoesAwayWithItsFiles) {
    TempTree tree;
    std::string made;
    {
        rr::platform::WorkDirectory work(tree.path());
        made = work.path();
        ASSERT_FALSE(made.empty());
        EXPECT_EQ(made, tree.path() + "rarrename-" + std::to_string(GetCurrentProcessId()) + "\\");
        EXPECT_TRUE(writeBytes(made + "filelist.txt", "x"));
    }
    EXPECT_FALSE(rr::test::fileExists(made));
}

} // namespace
