#include "exit_codes.h"
#include "fixtures.h"
#include "listing.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace {

using fixtures::TempDir;
using rar_writer::Format;

const std::string kGoldenDir = std::string(RR_SOURCE_ROOT) + "/tests/myrar/golden/";
const std::string kPassword = "qk5913";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct GoldenCase {
    const char* archiveName;
    rar_writer::Archive archive;
};

std::vector<GoldenCase> goldenCases() {
    return {
        {"mixed.rar", fixtures::mixedRar4()},
        {"wide.rar", fixtures::wideRar5()},
        {"later-volume.rar", fixtures::laterVolume()},
        {"sfx.exe", fixtures::sfxRar5()},
        {"enc4.rar", fixtures::encryptedHeaders(Format::Rar4, kPassword)},
        {"enc5.rar", fixtures::encryptedHeaders(Format::Rar5, kPassword)},
        {"empty.rar", rar_writer::Archive{}},
    };
}

// Lists with the tool's own password from inside dir, so the listing shows the bare name.
int listIn(const TempDir& dir, const std::string& name, const std::optional<std::string>& pw,
           myrar::CommandOutput& out) {
    auto old = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(dir.path(name)).parent_path());
    int code = myrar::listArchive(name, pw, out);
    std::filesystem::current_path(old);
    return code;
}

// Byte-exact listings; MYRAR_WRITE_GOLDEN=1 rewrites the expected files after a deliberate
// change of layout.
TEST(Listing, GoldenListings) {
    TempDir dir;
    bool rewrite = std::getenv("MYRAR_WRITE_GOLDEN") != nullptr;
    for (const GoldenCase& c : goldenCases()) {
        SCOPED_TRACE(c.archiveName);
        dir.save(c.archiveName, c.archive);
        myrar::CommandOutput out;
        EXPECT_EQ(listIn(dir, c.archiveName, kPassword, out), myrar::kExitOk);
        EXPECT_EQ(out.err, "");
        std::string golden = kGoldenDir + c.archiveName + ".txt";
        if (rewrite)
            std::ofstream(golden, std::ios::binary) << out.out;
        EXPECT_EQ(out.out, readAll(golden));
    }
}

TEST(Listing, WriterArchivesReadTheSameInAnIndependentReader) {
    if (std::system("bsdtar --version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "bsdtar (libarchive-tools) is not installed";
    TempDir dir;
    struct Case {
        const char* name;
        rar_writer::Archive archive;
        std::string expected; // bsdtar -tf output, UTF-8
    } cases[] = {
        {"mixed.rar", fixtures::mixedRar4(),
         u8"setup.exe\n文档\n文档/说明 书.txt\n子目录/内部.dat\nsecret.bin\nrun.sh\n"},
        {"wide.rar", fixtures::wideRar5(), u8"大文件.iso\nemoji 😀 ä ǅ.txt\nnotes.txt\n空目录\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.save(c.name, c.archive);
        std::string cmd = "LC_ALL=C.UTF-8 bsdtar -tf '" + path + "' 2>/dev/null";
        std::FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        std::string got;
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            got.append(buf, n);
        pclose(p);
        // bsdtar cannot read the Unicode form of a plain code-page name; compare the rest.
        if (got.size() > c.expected.size())
            got.resize(c.expected.size());
        EXPECT_EQ(got, c.expected);
    }
}

TEST(Listing, HeaderPasswordMissingOrWrongLeavesOnlyTheBanner) {
    TempDir dir;
    for (Format f : {Format::Rar4, Format::Rar5}) {
        dir.save("other.rar", fixtures::encryptedHeaders(f, "other password"));
        for (const std::optional<std::string>& pw :
             {std::optional<std::string>(kPassword), std::optional<std::string>()}) {
            myrar::CommandOutput out;
            EXPECT_EQ(listIn(dir, "other.rar", pw, out), myrar::kExitPassword);
            EXPECT_EQ(out.out, myrar::bannerLines());
            EXPECT_NE(out.err, "");
        }
        myrar::CommandOutput out;
        EXPECT_EQ(listIn(dir, "other.rar", std::string("other password"), out), myrar::kExitOk);
        EXPECT_NE(out.out.find("\\"), std::string::npos);
    }
}

TEST(Listing, NotAnArchiveAndMissingFile) {
    TempDir dir;
    rar_writer::saveFile(dir.path("fake.rar"), {'M', 'Z', 0, 1, 2, 3, 4, 5, 6, 7, 8});
    myrar::CommandOutput out;
    EXPECT_EQ(listIn(dir, "fake.rar", kPassword, out), myrar::kExitNotArchive);
    EXPECT_EQ(out.out, myrar::bannerLines() + "\r\nfake.rar 不是 RAR 压缩包");

    myrar::CommandOutput missing;
    EXPECT_EQ(listIn(dir, "nothing.rar", kPassword, missing), myrar::kExitCannotOpen);
    EXPECT_EQ(missing.out, myrar::bannerLines());
    EXPECT_NE(missing.err, "");
}

TEST(Listing, DamagedHeaderEndsTheListingWithAMessage) {
    TempDir dir;
    std::vector<std::uint8_t> bytes = rar_writer::write(fixtures::mixedRar4());
    bytes[bytes.size() - 3] ^= 0xFF; // inside the end block
    rar_writer::saveFile(dir.path("bad.rar"), bytes);
    myrar::CommandOutput out;
    EXPECT_EQ(listIn(dir, "bad.rar", kPassword, out), myrar::kExitDamaged);
    EXPECT_NE(out.out.find(" setup.exe\r\n"), std::string::npos);
    EXPECT_NE(out.err.find("损坏"), std::string::npos);
}

// cw with a fake system: files in a map, a console that answers as told.
struct FakeTarget {
    static inline std::map<std::string, std::string> files;
    static inline bool answer = false;
    static inline int asked = 0;
    static bool exists(const std::string& p) { return files.count(p) != 0; }
    static bool confirm(const std::string&) {
        ++asked;
        return answer;
    }
    static bool write(const std::string& p, const std::string& b) {
        files[p] = b;
        return true;
    }
    static myrar::CommentTarget target() { return {exists, confirm, write}; }
};

TEST(CommentCommand, WritesTheStoredBytesExactly) {
    TempDir dir;
    rar_writer::Archive a = fixtures::mixedRar4();
    a.comment = "line one\r\n\x1A tail\r\n";
    std::string path = dir.save("c.rar", a);
    FakeTarget::files.clear();
    myrar::CommandOutput out;
    EXPECT_EQ(myrar::writeComment(path, "out.txt", kPassword, FakeTarget::target(), out),
              myrar::kExitOk);
    EXPECT_EQ(FakeTarget::files["out.txt"], a.comment);

    // Listed, the comment stops at its Ctrl-Z.
    myrar::CommandOutput listed;
    listIn(dir, "c.rar", kPassword, listed);
    EXPECT_EQ(listed.out.substr(myrar::bannerLines().size(), 14), "\r\nline one\r\n\r\n");
}

TEST(CommentCommand, NoCommentWritesNoFile) {
    TempDir dir;
    rar_writer::Archive a = fixtures::sfxRar5();
    std::string path = dir.save("n.rar", a);
    FakeTarget::files.clear();
    myrar::CommandOutput out;
    EXPECT_EQ(myrar::writeComment(path, "out.txt", kPassword, FakeTarget::target(), out),
              myrar::kExitOk);
    EXPECT_TRUE(FakeTarget::files.empty());
    EXPECT_NE(out.out.find("没有备注"), std::string::npos);
}

TEST(CommentCommand, ExistingFileIsKeptUnlessConfirmedAndBadDestinationsRefused) {
    TempDir dir;
    std::string path = dir.save("c.rar", fixtures::wideRar5());
    FakeTarget::files = {{"out.txt", "old"}};
    FakeTarget::answer = false;
    FakeTarget::asked = 0;
    myrar::CommandOutput out;
    EXPECT_EQ(myrar::writeComment(path, "out.txt", kPassword, FakeTarget::target(), out),
              myrar::kExitCannotWrite);
    EXPECT_EQ(FakeTarget::files["out.txt"], "old");
    EXPECT_EQ(FakeTarget::asked, 1);
    FakeTarget::answer = true;
    myrar::CommandOutput again;
    EXPECT_EQ(myrar::writeComment(path, "out.txt", kPassword, FakeTarget::target(), again),
              myrar::kExitOk);
    EXPECT_EQ(FakeTarget::files["out.txt"], fixtures::wideRar5().comment);

    for (const char* dest : {"", "*.txt"}) {
        myrar::CommandOutput bad;
        EXPECT_EQ(myrar::writeComment(path, dest, kPassword, FakeTarget::target(), bad),
                  myrar::kExitUsage);
        EXPECT_NE(bad.err.find("需要目的地文件名称"), std::string::npos);
    }
}

TEST(Listing, DictionaryLettersBeyondTheOldRange) {
    EXPECT_EQ(myrar::dictionaryLetter(64 * 1024), 'a');
    EXPECT_EQ(myrar::dictionaryLetter(4096 * 1024), 'g');
    EXPECT_EQ(myrar::dictionaryLetter(8192 * 1024), 'h');
    EXPECT_EQ(myrar::dictionaryLetter(5 * 1024 * 1024), 'h'); // rounded up
    EXPECT_EQ(myrar::dictionaryLetter(std::uint64_t(4) << 30), 'q');
}

} // namespace
