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

CommentResult readComment(const Entry& comment, ByteSource& source,
                          const std::optional<std::string>& password, std::string& text) {
    text.clear();
    if (comment.packedSize > kMaxCommentSize)
        return CommentResult::Damaged;
    if (!isStoredComment(comment)) {
        CommentResult r =
            installed ? installed(comment, source, password, text) : CommentResult::CannotUnpack;
        if (r != CommentResult::Ok)
            text.clear();
        return r;
    }
    text.resize(static_cast<std::size_t>(comment.packedSize));
    if (!source.readAt(comment.dataOffset, text.data(), text.size())) {
        text.clear();
        return CommentResult::Damaged;
    }
    return CommentResult::Ok;
}

} // namespace myrar
