#include "archiver/listing_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using rr::archiver::readListing;

const std::string kPath = "D:\\GAMES\\SETUP.RAR";
const std::string kSeparator(79, '-');
const std::string kTitle =
    "                  大小     压缩  比率  日期   时间     属性      CRC   方法版本";

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

std::vector<std::string> banner() {
    return {"", "myrar 1.0  列表程序", "本程序只读取压缩包的目录"};
}

std::string details(const std::string& size = "     123", const std::string& ratio = " 50%") {
    return "             " + std::string(" ") + size + "      61 " + ratio +
           " 01-02-07 13:45  .....A.   1A2B3C4D m3b 2.9";
}

// A listing of `body` (name, details and extra lines) for an archive line `word` + path,
// after an optional archive comment.
std::string listing(const std::vector<std::string>& body, const std::string& totals,
                    const std::vector<std::string>& comment = {},
                    const std::string& word = "压缩包", const std::string& path = kPath) {
    std::vector<std::string> lines = banner();
    if (!comment.empty()) {
        lines.push_back("");
        lines.insert(lines.end(), comment.begin(), comment.end());
    }
    lines.insert(lines.end(), {"", word + " " + path, "", "路径名称/注释", kTitle, kSeparator});
    lines.insert(lines.end(), body.begin(), body.end());
    lines.push_back(kSeparator);
    lines.push_back(totals);
    return join(lines);
}

std::string totals(int count) {
    return "    " + std::to_string(count) + "              369              183  49%";
}

const std::vector<std::string> kThreeEntries = {" readme.txt", details(),          "*secret.doc",
                                                details(),     " data\\setup.exe", details()};

TEST(ListingReader, ReadsNamesInOrderWithoutMarkers) {
    auto got = readListing(listing(kThreeEntries, totals(3)), kPath);
    EXPECT_EQ(got.result, 3);
    EXPECT_EQ(got.entries,
              (std::vector<std::string>{"readme.txt", "secret.doc", "data\\setup.exe"}));
    EXPECT_FALSE(got.isVolume);
}

TEST(ListingReader, EmptyArchiveGivesZero) {
    std::vector<std::string> lines = banner();
    lines.insert(lines.end(), {"", "压缩包 " + kPath, "  0 文件"});
    auto got = readListing(join(lines), kPath);
    EXPECT_EQ(got.result, 0);
    EXPECT_TRUE(got.entries.empty());
}

struct NoListingCase {
    const char* what;
    std::string text;
};

class ListingReaderFailure : public testing::TestWithParam<NoListingCase> {};

TEST_P(ListingReaderFailure, GivesMinusOne) {
    auto got = readListing(GetParam().text, kPath);
    EXPECT_EQ(got.result, -1) << GetParam().what;
    EXPECT_TRUE(got.entries.empty());
}

std::string notAnArchive() {
    return join(banner()) + "\r\n" + kPath + " 不是 RAR 压缩包";
}

std::string withoutLastLineEnd() {
    std::string text = listing(kThreeEntries, totals(3));
    return text.substr(0, text.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListingReaderFailure,
    testing::Values(
        NoListingCase{"empty file", ""}, NoListingCase{"banner only", join(banner())},
        NoListingCase{"not an archive", notAnArchive()},
        NoListingCase{"cut short", withoutLastLineEnd()},
        NoListingCase{"archive line of another archive",
                      listing(kThreeEntries, totals(3), {}, "压缩包", "D:\\OTHER.RAR")},
        NoListingCase{"unknown archive word", listing(kThreeEntries, totals(3), {}, "档案")},
        NoListingCase{"totals disagree with the entries", listing(kThreeEntries, totals(4))},
        NoListingCase{"stray line among the entries",
                      listing({" a.exe", details(), "garbage", " b.exe", details()}, totals(2))},
        NoListingCase{"zero line of another archive",
                      join({"", "x", "y", "", "压缩包 D:\\OTHER.RAR", "  0 文件"})}),
    [](const auto& info) {
        std::string name;
        for (char c : std::string(info.param.what)) {
            name += (c == ' ') ? '_' : c;
        }
        return name;
    });

TEST(ListingReader, ArchiveCommentCannotAddHideOrChangeEntries) {
    // A comment holding a separator line and a whole listing of other names, even for this
    // very archive, stands before the real archive line and plays no part.
    std::vector<std::string> comment = {kSeparator, "压缩包 " + kPath, "",          "路径名称/注释",
                                        kTitle,     kSeparator,        " evil.exe", details(),
                                        kSeparator, totals(1)};
    auto got = readListing(listing(kThreeEntries, totals(3), comment), kPath);
    EXPECT_EQ(got.result, 3);
    EXPECT_EQ(got.entries[2], "data\\setup.exe");
}

TEST(ListingReader, ExtraLinesAreNoEntries) {
    std::vector<std::string> body = {" a.exe",
                                     details(),
                                     "注释: first line",
                                     "",
                                     "second line after a blank",
                                     "",
                                     " b.exe",
                                     details(),
                                     " :Zone.Identifier:$DATA",
                                     " c.exe",
                                     details()};
    auto got = readListing(listing(body, totals(3)), kPath);
    EXPECT_EQ(got.result, 3);
    EXPECT_EQ(got.entries, (std::vector<std::string>{"a.exe", "b.exe", "c.exe"}));
}

TEST(ListingReader, FileCommentCannotSmuggleAnEntry) {
    // A file comment that imitates a name and details pair adds a name the totals disagree
    // with, so the listing is refused rather than believed.
    std::vector<std::string> body = {" a.exe",  details(), "注释: hello", "",       " evil.exe",
                                     details(), "",        " b.exe",      details()};
    auto got = readListing(listing(body, totals(2)), kPath);
    EXPECT_EQ(got.result, -1);
}

TEST(ListingReader, NamesKeepSpacesAndWideSizes) {
    std::vector<std::string> body = {"  two  spaces .exe", details("1234567890"),
                                     " unknown size.bin", details("       ?")};
    auto got = readListing(listing(body, totals(2)), kPath);
    EXPECT_EQ(got.result, 2);
    EXPECT_EQ(got.entries, (std::vector<std::string>{" two  spaces .exe", "unknown size.bin"}));
}

TEST(ListingReader, VolumesAreMarkedAndContinuedEntriesNotCounted) {
    std::string volumeTotals = totals(0) + "       卷 2";
    auto got = readListing(
        listing({" big.iso", details("     123", "<--")}, volumeTotals, {}, "卷"), kPath);
    EXPECT_EQ(got.result, 1);
    EXPECT_TRUE(got.isVolume);

    for (const std::string word : {"SFX 压缩包", "固实 archive", "SFX 固实 archive"}) {
        auto plain = readListing(listing(kThreeEntries, totals(3), {}, word), kPath);
        EXPECT_EQ(plain.result, 3) << word;
        EXPECT_FALSE(plain.isVolume) << word;
    }
    auto solidVolume =
        readListing(listing(kThreeEntries, totals(3) + "       卷 1", {}, "固实 volume"), kPath);
    EXPECT_TRUE(solidVolume.isVolume);
}

TEST(ListingReader, PathWithTrailByteBackslashAndSpaces) {
    // "表" is B1 ED; 0x81 0x5C is a two-byte character whose second byte is "\".
    const std::string path = "C:\\my files\\\x81\x5C & %PATH%.rar";
    auto got = readListing(listing(kThreeEntries, totals(3), {}, "压缩包", path), path);
    EXPECT_EQ(got.result, 3);
}

} // namespace
