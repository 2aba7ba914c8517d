// Comments through the one unpacking path: stored, packed, old style with a 16-bit check, and
// the real packed comment of a sample archive.
#include "sample_walker.h"
#include "unpack/comment.h"
#include "unpack/crc32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace myrar::unpack;

TEST(Comment, StoredTextIsCheckedAgainstItsCrc) {
    const std::string body = "hello\r\n\x1A tail";
    std::vector<uint8_t> bytes(body.begin(), body.end());
    PackedComment c;
    c.stored = true;
    c.packed = bytes.data();
    c.packedSize = bytes.size();
    c.unpackedSize = bytes.size();
    c.hasCrc = true;
    c.crc = crc32(bytes.data(), bytes.size());
    std::vector<uint8_t> text;
    ASSERT_EQ(unpackComment(c, text), CommentStatus::Ok);
    EXPECT_EQ(text, bytes); // exactly as stored, Ctrl-Z and all

    c.crc ^= 0x10000; // only the high half differs
    EXPECT_EQ(unpackComment(c, text), CommentStatus::Damaged);
    EXPECT_TRUE(text.empty());
    c.crcLow16Only = true; // an old comment keeps only the low half
    EXPECT_EQ(unpackComment(c, text), CommentStatus::Ok);
    c.crc ^= 1;
    EXPECT_EQ(unpackComment(c, text), CommentStatus::Damaged);

    c.unpackedSize = kMaxCommentSize + 1;
    EXPECT_EQ(unpackComment(c, text), CommentStatus::TooLarge);
    c.unpackedSize = bytes.size() + 1;
    EXPECT_EQ(unpackComment(c, text), CommentStatus::Damaged);
}

TEST(Comment, MessagesAreChineseInCodePage936) {
    // "注释已损坏" in code page 936.
    EXPECT_STREQ(commentStatusMessage(CommentStatus::Damaged),
                 "\xD7\xA2\xCA\xCD\xD2\xD1\xCB\xF0\xBB\xB5");
    EXPECT_STREQ(commentStatusMessage(CommentStatus::Ok), "");
    EXPECT_STRNE(commentStatusMessage(CommentStatus::Unsupported), "");
    EXPECT_STRNE(commentStatusMessage(CommentStatus::TooLarge), "");
}

TEST(Comment, UnknownVersionsAndBrokenDataAreNotText) {
    std::vector<uint8_t> junk(40, 0xA5);
    PackedComment c;
    c.packed = junk.data();
    c.packedSize = junk.size();
    c.unpackedSize = 100;
    c.version = 13;
    std::vector<uint8_t> text;
    EXPECT_EQ(unpackComment(c, text), CommentStatus::Unsupported);
    for (int version : {15, 20, 29, 50}) {
        c.version = version;
        c.hasCrc = true;
        EXPECT_NE(unpackComment(c, text), CommentStatus::Ok) << version;
        EXPECT_TRUE(text.empty());
    }
}

TEST(Comment, RealPackedCommentOfASampleUnpacks) {
    const std::filesystem::path path =
        std::filesystem::path(RR_SAMPLES_DIR) / "read_format_rar_subblock.rar";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no sample archives at " << RR_SAMPLES_DIR;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    sample_walker::Archive a = sample_walker::walk(file);
    int found = 0;
    for (const sample_walker::Entry& e : a.entries) {
        if (!e.service || e.name != "CMT")
            continue;
        ++found;
        PackedComment c;
        c.version = e.version;
        c.stored = e.stored;
        c.dictionarySize = e.dictionary;
        c.packed = file.data() + e.dataOffset;
        c.packedSize = static_cast<std::size_t>(e.packedSize);
        c.unpackedSize = e.unpackedSize;
        c.hasCrc = e.hasCrc;
        c.crc = e.crc;
        std::vector<uint8_t> text;
        ASSERT_EQ(unpackComment(c, text), CommentStatus::Ok);
        EXPECT_EQ(text.size(), e.unpackedSize);
        EXPECT_FALSE(e.stored); // this one really is packed
    }
    EXPECT_EQ(found, 1);
}
