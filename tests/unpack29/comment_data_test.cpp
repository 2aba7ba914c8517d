// Comments through the reader: the real compressed comment of a sample, and an encrypted
// comment made here with the platform cipher.
#include "archive_reader.h"
#include "comment_data.h"
#include "crypto.h"
#include "rar_keys.h"
#include "text_codec.h"
#include "unpack/crc32.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using namespace myrar;

namespace {

const std::string kSamples = RR_SAMPLES_DIR;

TEST(CommentData, CompressedArchiveCommentOfASample) {
    if (!std::filesystem::is_directory(kSamples))
        GTEST_SKIP() << "sample archives not found at " << kSamples;
    FileSource file;
    ASSERT_TRUE(file.open(kSamples + "/read_format_rar_subblock.rar"));
    ArchiveReader reader;
    ASSERT_EQ(reader.open(file, std::nullopt), Status::Ok);
    Entry e;
    int comments = 0;
    while (reader.next(e) == Status::Ok) {
        if (e.kind != EntryKind::ArchiveComment)
            continue;
        ++comments;
        EXPECT_NE(e.method, 0u) << "the sample's comment is packed";
        std::string text;
        EXPECT_EQ(readCommentData(e, file, std::nullopt, text), unpack::CommentStatus::Ok);
        EXPECT_EQ(text, "test rar with archive comment");
    }
    EXPECT_EQ(comments, 1);
}

// A stored comment block encrypted as RAR 2.9+ does it: AES-128 over the padded bytes.
struct EncryptedComment {
    Entry entry;
    std::vector<uint8_t> bytes;
};

EncryptedComment makeEncryptedComment(const std::string& text, const std::string& password) {
    EncryptedComment c;
    Entry& e = c.entry;
    e.kind = EntryKind::ArchiveComment;
    e.rawName = "CMT";
    e.unpackVersion = 29;
    e.method = 0;
    e.unpackedSize = text.size();
    e.hasCrc = true;
    e.crc32 = unpack::crc32(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    e.encryption.encrypted = true;
    e.encryption.hasSalt = true;
    for (int i = 0; i < 8; ++i)
        e.encryption.salt[i] = uint8_t(0x31 * i + 7);
    std::vector<uint8_t> plain(text.begin(), text.end());
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    Rar4Key key;
    EXPECT_TRUE(deriveRar4Key(cp936ToWide(password), e.encryption.salt.data(), key));
    c.bytes.resize(plain.size());
    EXPECT_TRUE(crypto::aesCbcEncrypt(key.key.data(), 16, key.iv.data(), plain.data(), plain.size(),
                                      c.bytes.data()));
    e.packedSize = c.bytes.size();
    e.dataOffset = 0;
    return c;
}

TEST(CommentData, EncryptedCommentNeedsTheRightPassword) {
    const std::string text = "注释：加密的备注";
    EncryptedComment c = makeEncryptedComment(text, "qk5913");
    MemorySource source(c.bytes);
    std::string out;
    EXPECT_EQ(readCommentData(c.entry, source, std::string("qk5913"), out),
              unpack::CommentStatus::Ok);
    EXPECT_EQ(out, text);
    EXPECT_EQ(readCommentData(c.entry, source, std::string("wrong"), out),
              unpack::CommentStatus::Damaged);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(readCommentData(c.entry, source, std::nullopt, out), unpack::CommentStatus::Damaged);
}

TEST(CommentData, SizesBeyondTheLimitAllocateNothing) {
    Entry e;
    e.kind = EntryKind::ArchiveComment;
    e.unpackVersion = 29;
    e.method = 3;
    e.packedSize = uint64_t(1) << 40;
    e.unpackedSize = 10;
    MemorySource source(std::vector<uint8_t>(16, 0));
    std::string out;
    EXPECT_EQ(readCommentData(e, source, std::nullopt, out), unpack::CommentStatus::TooLarge);
}

} // namespace
