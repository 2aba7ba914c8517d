#include "comment_unpacker.h"

namespace myrar {

namespace {

CommentUnpacker installed = nullptr;

} // namespace

void setCommentUnpacker(CommentUnpacker unpacker) {
    installed = unpacker;
}

CommentUnpacker commentUnpacker() {
    return installed;
}

CommentResult readComment(const Entry& comment, ByteSource& source, std::string& text) {
    text.clear();
    if (comment.packedSize > kMaxCommentSize)
        return CommentResult::Damaged;
    if (!isStoredComment(comment)) {
        if (installed && installed(comment, source, text))
            return CommentResult::Ok;
        return CommentResult::CannotUnpack;
    }
    text.resize(static_cast<std::size_t>(comment.packedSize));
    if (!source.readAt(comment.dataOffset, text.data(), text.size())) {
        text.clear();
        return CommentResult::Damaged;
    }
    return CommentResult::Ok;
}

} // namespace myrar
