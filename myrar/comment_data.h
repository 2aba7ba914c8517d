#pragma once
// The bytes of a comment entry as the listing and `cw` give them out: read from the archive,
// decrypted with the password when the comment is encrypted, then unpacked and checked
// against its stored size and CRC.

#include "archive_entry.h"
#include "byte_source.h"
#include "unpack/comment.h"

#include <optional>
#include <string>

namespace myrar {

// `password` is code page 936 text, or none. `text` stays empty unless the result is Ok.
unpack::CommentStatus readCommentData(const Entry& comment, ByteSource& source,
                                      const std::optional<std::string>& password,
                                      std::string& text);

} // namespace myrar
