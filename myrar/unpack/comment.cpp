#include "comment.h"

#include "crc32.h"
#include "unpack.h"

namespace myrar::unpack {

namespace {

bool crcMatches(const PackedComment& c, const std::vector<uint8_t>& text) {
    if (!c.hasCrc)
        return true;
    uint32_t actual = crc32(text.data(), text.size());
    return c.crcLow16Only ? (actual & 0xFFFF) == (c.crc & 0xFFFF) : actual == c.crc;
}

} // namespace

const char* commentStatusMessage(CommentStatus status) {
    switch (status) {
    case CommentStatus::Ok:
        return "";
    case CommentStatus::Damaged:
        return "注释已损坏";
    case CommentStatus::Unsupported:
        return "不支持该注释的压缩方式";
    case CommentStatus::TooLarge:
        return "注释过大";
    }
    return "";
}

CommentStatus unpackComment(const PackedComment& c, std::vector<uint8_t>& text) {
    text.clear();
    if (c.unpackedSize > kMaxCommentSize)
        return CommentStatus::TooLarge;
    std::vector<uint8_t> out;
    if (c.stored) {
        if (c.packedSize < c.unpackedSize)
            return CommentStatus::Damaged;
        out.assign(c.packed, c.packed + c.unpackedSize);
    } else {
        UnpackInput in;
        in.version = c.version;
        in.dictionarySize = c.dictionarySize ? c.dictionarySize : kOldCommentDictionary;
        in.packed = c.packed;
        in.packedSize = c.packedSize;
        in.unpackedSize = c.unpackedSize;
        SolidState state;
        UnpackStatus status = unpackToBuffer(in, state, out, kMaxCommentSize);
        if (status == UnpackStatus::Unsupported)
            return CommentStatus::Unsupported;
        if (status != UnpackStatus::Ok)
            return CommentStatus::Damaged;
    }
    if (out.size() != c.unpackedSize || !crcMatches(c, out))
        return CommentStatus::Damaged;
    text.swap(out);
    return CommentStatus::Ok;
}

} // namespace myrar::unpack
