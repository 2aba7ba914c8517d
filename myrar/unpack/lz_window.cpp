#include "lz_window.h"

#include <cstring>
#include <new>

namespace myrar::unpack {

bool LzWindow::init(uint64_t size) {
    if (size > kMaxSize)
        return false;
    uint64_t want = kMinSize;
    while (want < size)
        want <<= 1;
    if (!data_ || want != mask_ + 1) {
        data_.reset(new (std::nothrow) uint8_t[want]);
        if (!data_) {
            mask_ = 0;
            return false;
        }
        mask_ = want - 1;
    }
    reset();
    return true;
}

void LzWindow::reset() {
    pos_ = 0;
}

void LzWindow::read(uint64_t from, std::size_t size, uint8_t* out) const {
    while (size > 0) {
        std::size_t at = from & mask_;
        std::size_t piece = size;
        if (at + piece > mask_ + 1)
            piece = mask_ + 1 - at;
        std::memcpy(out, data_.get() + at, piece);
        out += piece;
        from += piece;
        size -= piece;
    }
}

void LzWindow::emit(uint64_t from, uint64_t to, const OutputSink& sink) const {
    while (from < to) {
        std::size_t at = from & mask_;
        uint64_t piece = to - from;
        if (at + piece > mask_ + 1)
            piece = mask_ + 1 - at;
        sink(data_.get() + at, static_cast<std::size_t>(piece));
        from += piece;
    }
}

} // namespace myrar::unpack
