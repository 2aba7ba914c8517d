#include "comment_data.h"

#include "entry_decrypt.h"

#include <vector>

namespace myrar {
namespace {

// RAR 1.5/2.0 kept comments inside headers with only the low half of their CRC32; RAR 2.9
// and later store them as blocks of their own with the whole CRC32.
constexpr unsigned kFirstCommentBlockVersion = 29;

} // namespace

unpack::CommentStatus readCommentData(const Entry& comment, ByteSource& source,
                                      const std::optional<std::string>& password,
                                      std::string& text) {
    text.clear();
    if (comment.packedSize > unpack::kMaxCommentSize ||
        comment.unpackedSize > unpack::kMaxCommentSize)
        return unpack::CommentStatus::TooLarge;
    std::vector<std::uint8_t> packed(static_cast<std::size_t>(comment.packedSize));
    if (!packed.empty() && !source.readAt(comment.dataOffset, packed.data(), packed.size()))
        return unpack::CommentStatus::Damaged;
    if (comment.encryption.encrypted) {
        if (!password)
            return unpack::CommentStatus::Damaged;
        if (decryptEntryData(comment, *password, packed) != DecryptStatus::Ok)
            return unpack::CommentStatus::Unsupported;
    }
    unpack::PackedComment c;
    c.version = static_cast<int>(comment.unpackVersion);
    c.stored = comment.method == 0;
    c.dictionarySize = comment.dictionarySize;
    c.packed = packed.data();
    c.packedSize = packed.size();
    c.unpackedSize = comment.unpackedSize;
    c.hasCrc = comment.hasCrc;
    c.crc = comment.crc32;
    c.crcLow16Only = comment.unpackVersion < kFirstCommentBlockVersion;
    std::vector<std::uint8_t> bytes;
    unpack::CommentStatus status = unpack::unpackComment(c, bytes);
    if (status == unpack::CommentStatus::Ok)
        text.assign(bytes.begin(), bytes.end());
    return status;
}

} // namespace myrar
