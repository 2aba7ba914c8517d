#pragma once
// Unpacks an archive or file comment, whichever way it is stored: a RAR 2.9+ "CMT" block or a
// RAR 5.0 "CMT" service header (a whole CRC32), or an old RAR 1.5/2.0 comment inside the main
// or file header (only the CRC32's low 16 bits are kept there). A comment whose unpacked bytes
// do not match is damaged and its text is not given out.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace myrar::unpack {

// The largest comment unpacked; real ones are a few KiB (old formats cap them at 64 KiB).
constexpr uint64_t kMaxCommentSize = uint64_t(1) << 20;
// Old comments carry no dictionary size; their unpacker used its smallest window.
constexpr uint64_t kOldCommentDictionary = uint64_t(64) << 10;

struct PackedComment {
    int version = 0;             // unpack version; ignored when stored
    bool stored = false;         // method "store": the bytes are the comment
    uint64_t dictionarySize = 0; // 0: kOldCommentDictionary
    const uint8_t* packed = nullptr;
    std::size_t packedSize = 0;
    uint64_t unpackedSize = 0;
    bool hasCrc = false;
    uint32_t crc = 0;
    bool crcLow16Only = false; // old comments: compare only the low 16 bits
};

enum class CommentStatus {
    Ok,
    Damaged,     // the data does not unpack, or not to the stored size and CRC
    Unsupported, // an unpack version no decompressor here handles
    TooLarge,    // over kMaxCommentSize
};

// The Chinese message for the error output (code page 936 at run time); empty for Ok.
const char* commentStatusMessage(CommentStatus status);

// The comment's bytes in `text`, exactly as stored before packing; `text` stays empty on error.
CommentStatus unpackComment(const PackedComment& comment, std::vector<uint8_t>& text);

} // namespace myrar::unpack
