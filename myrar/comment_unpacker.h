#pragma once
// Hook through which compressed comments get unpacked. Until an unpacker is installed,
// compressed comments stay out of the listing and `cw` reports that it cannot unpack them.

#include "archive_entry.h"
#include "byte_source.h"

#include <string>

namespace myrar {

// Unpacks the comment `comment` (its packed bytes are at comment.dataOffset in `source`)
// into `text`; false when it cannot.
using CommentUnpacker = bool (*)(const Entry& comment, ByteSource& source, std::string& text);

void setCommentUnpacker(CommentUnpacker unpacker);
CommentUnpacker commentUnpacker();

// Upper bound on a comment's packed and unpacked size, so hostile sizes allocate nothing.
constexpr std::uint64_t kMaxCommentSize = 1 << 20;

enum class CommentResult { Ok, CannotUnpack, Damaged };

// The comment's bytes as stored or as unpacked by the hook.
CommentResult readComment(const Entry& comment, ByteSource& source, std::string& text);

} // namespace myrar
