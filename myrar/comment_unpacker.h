#pragma once
// Hook through which compressed comments get unpacked. Until an unpacker is installed,
// compressed comments stay out of the listing and `cw` reports that it cannot unpack them.

#include "archive_entry.h"
#include "byte_source.h"

#include <optional>
#include <string>

namespace myrar {

// Upper bound on a comment's packed and unpacked size, so hostile sizes allocate nothing.
constexpr std::uint64_t kMaxCommentSize = 1 << 20;

enum class CommentResult { Ok, CannotUnpack, Damaged };

// Unpacks the comment `comment` (its packed bytes are at comment.dataOffset in `source`,
// encrypted ones decrypted with `password`) into `text`: Damaged when its data or CRC is
// wrong (or the password is), CannotUnpack for a method it lacks.
using CommentUnpacker = CommentResult (*)(const Entry& comment, ByteSource& source,
                                          const std::optional<std::string>& password,
                                          std::string& text);

void setCommentUnpacker(CommentUnpacker unpacker);
CommentUnpacker commentUnpacker();

// The comment's bytes as stored or as unpacked by the hook.
CommentResult readComment(const Entry& comment, ByteSource& source,
                          const std::optional<std::string>& password, std::string& text);

} // namespace myrar
