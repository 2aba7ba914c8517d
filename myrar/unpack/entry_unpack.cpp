#include "entry_unpack.h"

#include "comment_unpacker.h"
#include "crypto.h"
#include "rar_keys.h"
#include "text_codec.h"

#include <algorithm>

namespace myrar::unpack {

namespace {

constexpr unsigned kFirstNewCommentVersion = 29;

constexpr unsigned kFirstRar5Version = 50;
constexpr std::size_t kAesBlock = 16;

// Decrypts `data` in place; false when it cannot be (no password, wrong one, bad length).
CommentStatus decrypt(const Entry& e, const std::optional<std::string>& password,
                      std::vector<uint8_t>& data) {
    if (!password || data.size() % kAesBlock != 0)
        return CommentStatus::Damaged;
    std::vector<uint8_t> plain(data.size());
    if (e.unpackVersion >= kFirstRar5Version) {
        Rar5Keys keys;
        if (!deriveRar5Keys(wideToUtf8(cp936ToWide(*password)), e.encryption.salt.data(),
                            e.encryption.kdfLog2, keys))
            return CommentStatus::Damaged;
        if (e.encryption.hasPasswordCheck &&
            !std::equal(keys.check.begin(), keys.check.end(), e.encryption.passwordCheck.begin()))
            return CommentStatus::Damaged;
        if (!data.empty() &&
            !crypto::aesCbcDecrypt(keys.key.data(), keys.key.size(), e.encryption.iv.data(),
                                   data.data(), data.size(), plain.data()))
            return CommentStatus::Damaged;
    } else {
        if (!e.encryption.hasSalt)
            return CommentStatus::Unsupported; // the pre-2.9 cipher
        Rar4Key key;
        if (!deriveRar4Key(cp936ToWide(*password), e.encryption.salt.data(), key))
            return CommentStatus::Damaged;
        if (!data.empty() && !crypto::aesCbcDecrypt(key.key.data(), key.key.size(), key.iv.data(),
                                                    data.data(), data.size(), plain.data()))
            return CommentStatus::Damaged;
    }
    data.swap(plain);
    return CommentStatus::Ok;
}

CommentResult unpackForListing(const Entry& comment, ByteSource& source,
                               const std::optional<std::string>& password, std::string& text) {
    std::vector<uint8_t> bytes;
    CommentStatus status = unpackEntryComment(source, comment, password, bytes);
    if (status == CommentStatus::Unsupported)
        return CommentResult::CannotUnpack;
    if (status != CommentStatus::Ok)
        return CommentResult::Damaged;
    text.assign(bytes.begin(), bytes.end());
    return CommentResult::Ok;
}

bool readPacked(ByteSource& source, const Entry& e, uint64_t limit, std::vector<uint8_t>& out) {
    if (e.packedSize > limit || e.dataOffset > source.size() ||
        e.packedSize > source.size() - e.dataOffset)
        return false;
    out.resize(static_cast<std::size_t>(e.packedSize));
    return out.empty() || source.readAt(e.dataOffset, out.data(), out.size());
}

} // namespace

UnpackStatus unpackEntry(ByteSource& source, const Entry& e, SolidState& state,
                         const OutputSink& sink) {
    std::vector<uint8_t> packed;
    if (!readPacked(source, e, kMaxPackedEntry, packed))
        return e.packedSize > kMaxPackedEntry ? UnpackStatus::NoMemory : UnpackStatus::Truncated;
    if (e.method == 0) {
        if (packed.size() < e.unpackedSize)
            return UnpackStatus::Truncated;
        if (e.unpackedSize > 0)
            sink(packed.data(), static_cast<std::size_t>(e.unpackedSize));
        return UnpackStatus::Ok;
    }
    UnpackInput in;
    in.version = static_cast<int>(e.unpackVersion);
    in.dictionarySize = e.dictionarySize;
    in.packed = packed.data();
    in.packedSize = packed.size();
    in.unpackedSize = e.unpackedSize;
    in.solid = e.solid;
    return unpack(in, state, sink);
}

bool isOldStyleComment(const Entry& c) {
    return (c.kind == EntryKind::ArchiveComment || c.kind == EntryKind::FileComment) &&
           c.unpackVersion < kFirstNewCommentVersion && c.crc32 <= 0xFFFF;
}

CommentStatus unpackEntryComment(ByteSource& source, const Entry& c,
                                 const std::optional<std::string>& password,
                                 std::vector<uint8_t>& text) {
    text.clear();
    if (c.unpackedSize > kMaxCommentSize)
        return CommentStatus::TooLarge;
    // A packed comment is never much larger than its text.
    std::vector<uint8_t> packed;
    if (!readPacked(source, c, 2 * kMaxCommentSize, packed))
        return CommentStatus::Damaged;
    if (c.encryption.encrypted) {
        CommentStatus s = decrypt(c, password, packed);
        if (s != CommentStatus::Ok)
            return s;
    }
    PackedComment p;
    p.version = static_cast<int>(c.unpackVersion);
    p.stored = c.method == 0;
    p.dictionarySize = c.dictionarySize;
    p.packed = packed.data();
    p.packedSize = packed.size();
    p.unpackedSize = c.unpackedSize;
    // A keyed CRC cannot be compared without the keyed transform; the size still is.
    p.hasCrc = c.hasCrc && !c.encryption.tweakedChecksums;
    p.crc = c.crc32;
    p.crcLow16Only = isOldStyleComment(c);
    return unpackComment(p, text);
}

void installCommentUnpacker() {
    setCommentUnpacker(&unpackForListing);
}

} // namespace myrar::unpack
