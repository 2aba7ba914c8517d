#pragma once
// Unpacks what the header readers describe: an entry's data, or a comment of any kind, read
// from its archive. The hook between the listing code and the decompressors.

#include "archive_entry.h"
#include "byte_source.h"
#include "comment.h"
#include "unpack.h"

#include <optional>
#include <string>
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
// CRC. An encrypted one is decrypted first with `password` (code page 936): AES as RAR 2.9+
// and 5.0 use it; a missing or wrong password makes it Damaged, the older cipher Unsupported.
// A RAR 5.0 CRC keyed with the password is not compared (only the size is).
CommentStatus unpackEntryComment(ByteSource& source, const Entry& comment,
                                 const std::optional<std::string>& password,
                                 std::vector<uint8_t>& text);

// Makes the listing and `cw` unpack compressed comments with the functions above.
void installCommentUnpacker();

} // namespace myrar::unpack
