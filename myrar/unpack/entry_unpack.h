#pragma once
// Unpacks what the header readers describe: an entry's data, or a comment of any kind, read
// from its archive. The hook between the listing code and the decompressors.

#include "archive_entry.h"
#include "byte_source.h"
#include "comment.h"
#include "unpack.h"

#include <vector>

namespace myrar::unpack {

// The most packed bytes read into memory for one entry.
constexpr uint64_t kMaxPackedEntry = uint64_t(256) << 20;

// Streams one entry's unpacked data to `sink` (stored entries are copied). The caller checks
// the CRC; `state` carries a solid stream through an archive's entries in order.
UnpackStatus unpackEntry(ByteSource& source, const Entry& entry, SolidState& state,
                         const OutputSink& sink);

// True when the comment came from an old RAR 1.5/2.0 comment block, whose header keeps only
// the low 16 bits of the comment's CRC32.
bool isOldStyleComment(const Entry& comment);

// A comment entry (ArchiveComment or FileComment) as its bytes, checked against its size and
// CRC. Encrypted comments must be decrypted first; they are refused here as Unsupported.
CommentStatus unpackEntryComment(ByteSource& source, const Entry& comment,
                                 std::vector<uint8_t>& text);

// Makes the listing and `cw` unpack compressed comments with the functions above.
void installCommentUnpacker();

} // namespace myrar::unpack
