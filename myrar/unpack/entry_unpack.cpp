#include "entry_unpack.h"

#include "comment_unpacker.h"

namespace myrar::unpack {

namespace {

constexpr unsigned kFirstNewCommentVersion = 29;

CommentResult unpackForListing(const Entry& comment, ByteSource& source, std::string& text) {
    std::vector<uint8_t> bytes;
    CommentStatus status = unpackEntryComment(source, comment, bytes);
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

CommentStatus unpackEntryComment(ByteSource& source, const Entry& c, std::vector<uint8_t>& text) {
    text.clear();
    if (c.encryption.encrypted)
        return CommentStatus::Unsupported;
    if (c.unpackedSize > kMaxCommentSize)
        return CommentStatus::TooLarge;
    // A packed comment is never much larger than its text.
    std::vector<uint8_t> packed;
    if (!readPacked(source, c, 2 * kMaxCommentSize, packed))
        return CommentStatus::Damaged;
    PackedComment p;
    p.version = static_cast<int>(c.unpackVersion);
    p.stored = c.method == 0;
    p.dictionarySize = c.dictionarySize;
    p.packed = packed.data();
    p.packedSize = packed.size();
    p.unpackedSize = c.unpackedSize;
    p.hasCrc = c.hasCrc;
    p.crc = c.crc32;
    p.crcLow16Only = isOldStyleComment(c);
    return unpackComment(p, text);
}

void installCommentUnpacker() {
    setCommentUnpacker(&unpackForListing);
}

} // namespace myrar::unpack
