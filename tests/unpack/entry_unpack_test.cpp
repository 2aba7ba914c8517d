// The decompressors behind the archiver's own header readers: every whole, unencrypted entry
// of the well-formed samples unpacks to its stored CRC32, and their comments come out whole.
#include "archive_reader.h"
#include "comment_unpacker.h"
#include "crypto.h"
#include "listing.h"
#include "rar_keys.h"
#include "unpack/crc32.h"
#include "unpack/entry_unpack.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using namespace myrar;
using namespace myrar::unpack;

namespace {

struct Tally {
    int passed = 0;
    int failed = 0;
};

Tally unpackAll(const fs::path& path, std::vector<std::vector<uint8_t>>* comments = nullptr) {
    Tally t;
    FileSource source;
    if (!source.open(path.string()))
        return t;
    ArchiveReader reader;
    if (reader.open(source, std::nullopt) != Status::Ok)
        return t;
    SolidState state;
    Entry e;
    while (reader.next(e) == Status::Ok) {
        if (e.kind == EntryKind::ArchiveComment || e.kind == EntryKind::FileComment) {
            std::vector<uint8_t> text;
            if (unpackEntryComment(source, e, std::nullopt, text) == CommentStatus::Ok) {
                ++t.passed;
                if (comments)
                    comments->push_back(text);
            } else {
                ++t.failed;
            }
            continue;
        }
        if (e.kind != EntryKind::File || e.encryption.encrypted || e.splitBefore || e.splitAfter ||
            !e.hasCrc || (e.packedSize != e.unpackedSize && e.method == 0))
            continue;
        Crc32 crc;
        uint64_t made = 0;
        UnpackStatus status = unpackEntry(source, e, state, [&](const uint8_t* d, std::size_t n) {
            crc.update(d, n);
            made += n;
        });
        bool ok = status == UnpackStatus::Ok && made == e.unpackedSize && crc.value() == e.crc32;
        ok ? ++t.passed : ++t.failed;
        EXPECT_TRUE(ok) << path.filename() << ": " << e.rawName << ": " << statusName(status);
    }
    return t;
}

} // namespace

TEST(EntryUnpack, SamplesUnpackThroughTheHeaderReaders) {
    const fs::path dir(RR_SAMPLES_DIR);
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "no sample archives at " << RR_SAMPLES_DIR;
    const char* const names[] = {
        "read_format_rar5_compressed.rar",   "read_format_rar5_solid.rar",
        "read_format_rar5_arm.rar",          "read_format_rar5_win32.rar",
        "read_format_rar_compress_best.rar", "read_format_rar_filter.rar",
        "read_format_rar_windows.rar",       "read_format_rar5_multiple_files_solid.rar",
    };
    int total = 0;
    for (const char* name : names) {
        Tally t = unpackAll(dir / name);
        EXPECT_GT(t.passed, 0) << name;
        EXPECT_EQ(t.failed, 0) << name;
        total += t.passed;
    }
    EXPECT_GE(total, 25);
}

TEST(EntryUnpack, PackedCommentOfASampleComesOutWhole) {
    const fs::path path = fs::path(RR_SAMPLES_DIR) / "read_format_rar_subblock.rar";
    if (!fs::exists(path))
        GTEST_SKIP() << "no sample archives at " << RR_SAMPLES_DIR;
    std::vector<std::vector<uint8_t>> comments;
    Tally t = unpackAll(path, &comments);
    EXPECT_EQ(t.failed, 0);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_FALSE(comments[0].empty());
}

TEST(EntryUnpack, OldStyleCommentsAreToldApartByVersion) {
    Entry e;
    e.kind = EntryKind::ArchiveComment;
    e.unpackVersion = 15;
    e.crc32 = 0x1234;
    EXPECT_TRUE(isOldStyleComment(e));
    e.unpackVersion = 29;
    EXPECT_FALSE(isOldStyleComment(e));
    e.unpackVersion = 20;
    e.kind = EntryKind::File;
    EXPECT_FALSE(isOldStyleComment(e));
}

namespace {

std::string written;
bool noFile(const std::string&) {
    return false;
}
bool neverAsk(const std::string&) {
    return false;
}
bool keep(const std::string&, const std::string& bytes) {
    written = bytes;
    return true;
}

} // namespace

// With the unpacker installed, the packed archive comment shows before the archive line, and
// `cw` writes its bytes exactly.
TEST(EntryUnpack, PackedCommentShowsInTheListingAndThroughCw) {
    const fs::path path = fs::path(RR_SAMPLES_DIR) / "read_format_rar_subblock.rar";
    if (!fs::exists(path))
        GTEST_SKIP() << "no sample archives at " << RR_SAMPLES_DIR;
    installCommentUnpacker();
    CommandOutput listing;
    ASSERT_EQ(listArchive(path.string(), std::nullopt, listing), 0) << listing.err;
    const std::string comment = "test rar with archive comment";
    std::size_t at = listing.out.find("\r\n\r\n" + comment + "\r\n\r\n");
    ASSERT_NE(at, std::string::npos) << listing.out;
    EXPECT_LT(at, listing.out.find(path.string()));

    CommandOutput cw;
    written.clear();
    ASSERT_EQ(writeComment(path.string(), "out.txt", std::nullopt, {noFile, neverAsk, keep}, cw), 0)
        << cw.err;
    EXPECT_EQ(written, comment);
    setCommentUnpacker(nullptr);
}

// A packed comment whose data is broken is left out of the listing, the error output says it
// is damaged, and `cw` writes nothing.
TEST(EntryUnpack, DamagedPackedCommentIsReportedNotShown) {
    const fs::path path = fs::path(RR_SAMPLES_DIR) / "read_format_rar_subblock.rar";
    if (!fs::exists(path))
        GTEST_SKIP() << "no sample archives at " << RR_SAMPLES_DIR;
    FileSource source;
    ASSERT_TRUE(source.open(path.string()));
    std::vector<uint8_t> bytes(static_cast<std::size_t>(source.size()));
    ASSERT_TRUE(source.readAt(0, bytes.data(), bytes.size()));
    MemorySource memory(bytes);
    ArchiveReader reader;
    ASSERT_EQ(reader.open(memory, std::nullopt), Status::Ok);
    Entry e;
    uint64_t at = 0;
    while (reader.next(e) == Status::Ok)
        if (e.kind == EntryKind::ArchiveComment)
            at = e.dataOffset + e.packedSize / 2;
    ASSERT_NE(at, 0u);
    bytes[static_cast<std::size_t>(at)] ^= 0x55;
    const fs::path broken = fs::temp_directory_path() / "rr_unpack_damaged_comment.rar";
    {
        std::ofstream out(broken, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    installCommentUnpacker();
    CommandOutput listing;
    listArchive(broken.string(), std::nullopt, listing);
    EXPECT_EQ(listing.out.find("test rar with archive comment"), std::string::npos);
    EXPECT_NE(listing.err.find("注释已损坏"), std::string::npos) << listing.err;
    CommandOutput cw;
    written.clear();
    EXPECT_NE(writeComment(broken.string(), "out.txt", std::nullopt, {noFile, neverAsk, keep}, cw),
              0);
    EXPECT_TRUE(written.empty());
    setCommentUnpacker(nullptr);
    fs::remove(broken);
}

namespace {

// An encrypted, stored comment of `text` at offset 0 of `packed`, as either format keeps it.
Entry encryptedComment(bool rar5, const std::string& text, const std::string& password,
                       std::vector<uint8_t>& packed) {
    Entry e;
    e.kind = EntryKind::ArchiveComment;
    e.method = 0;
    e.unpackVersion = rar5 ? 50 : 29;
    e.unpackedSize = text.size();
    e.hasCrc = true;
    e.crc32 = crc32(reinterpret_cast<const uint8_t*>(text.data()), text.size());
    e.encryption.encrypted = true;
    for (std::size_t i = 0; i < 16; ++i) {
        e.encryption.salt[i] = static_cast<uint8_t>(0x30 + i);
        e.encryption.iv[i] = static_cast<uint8_t>(0xA0 + i);
    }
    std::vector<uint8_t> plain(text.begin(), text.end());
    plain.resize((plain.size() + 15) / 16 * 16, 0);
    packed.resize(plain.size());
    if (rar5) {
        e.encryption.kdfLog2 = 4;
        Rar5Keys keys;
        EXPECT_TRUE(deriveRar5Keys(password, e.encryption.salt.data(), 4, keys));
        e.encryption.hasPasswordCheck = true;
        std::copy(keys.check.begin(), keys.check.end(), e.encryption.passwordCheck.begin());
        EXPECT_TRUE(crypto::aesCbcEncrypt(keys.key.data(), 32, e.encryption.iv.data(), plain.data(),
                                          plain.size(), packed.data()));
    } else {
        e.encryption.hasSalt = true;
        Rar4Key key;
        EXPECT_TRUE(deriveRar4Key(std::u16string(password.begin(), password.end()),
                                  e.encryption.salt.data(), key));
        EXPECT_TRUE(crypto::aesCbcEncrypt(key.key.data(), 16, key.iv.data(), plain.data(),
                                          plain.size(), packed.data()));
    }
    e.dataOffset = 0;
    e.packedSize = packed.size();
    return e;
}

} // namespace

TEST(EntryUnpack, EncryptedCommentsOpenOnlyWithTheirPassword) {
    for (bool rar5 : {false, true}) {
        std::vector<uint8_t> packed;
        const std::string text = "secret comment\r\n";
        Entry e = encryptedComment(rar5, text, "qk5913", packed);
        MemorySource source(packed);
        std::vector<uint8_t> out;
        ASSERT_EQ(unpackEntryComment(source, e, std::string("qk5913"), out), CommentStatus::Ok)
            << rar5;
        EXPECT_EQ(std::string(out.begin(), out.end()), text);
        EXPECT_EQ(unpackEntryComment(source, e, std::string("qk5914"), out),
                  CommentStatus::Damaged);
        EXPECT_TRUE(out.empty());
        EXPECT_EQ(unpackEntryComment(source, e, std::nullopt, out), CommentStatus::Damaged);
    }
    // The cipher before 2.9 has no salt and is not supported.
    std::vector<uint8_t> packed(16, 0);
    Entry old;
    old.kind = EntryKind::ArchiveComment;
    old.unpackVersion = 20;
    old.encryption.encrypted = true;
    old.packedSize = 16;
    old.unpackedSize = 4;
    MemorySource source(packed);
    std::vector<uint8_t> out;
    EXPECT_EQ(unpackEntryComment(source, old, std::string("x"), out), CommentStatus::Unsupported);
}
