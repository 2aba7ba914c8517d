#pragma once
// The sliding window of an LZ decoder: a ring buffer whose size is a power of two, indexed by
// the absolute count of bytes the stream has produced. Matches are checked against what the
// window really holds, so a hostile distance is an error and never a read outside the buffer.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

namespace myrar::unpack {

// Receives unpacked bytes in order.
using OutputSink = std::function<void(const uint8_t* data, std::size_t size)>;

class LzWindow {
public:
    // The largest window any decoder here allocates, whatever a header asks for.
    static constexpr uint64_t kMaxSize = uint64_t(256) << 20;
    static constexpr uint64_t kMinSize = uint64_t(256) << 10;

    // Allocates a window of at least `size` bytes (rounded up to a power of two, at least
    // kMinSize). False when `size` exceeds kMaxSize or memory is short. Forgets all content.
    bool init(uint64_t size);
    // Starts the stream over, keeping the allocation. Old content is never read again:
    // copyMatch() refuses distances that reach before the new start.
    void reset();

    uint64_t size() const { return mask_ + 1; }
    bool allocated() const { return data_ != nullptr; }
    // Bytes produced since init() or reset().
    uint64_t position() const { return pos_; }

    void put(uint8_t b) { data_[pos_++ & mask_] = b; }

    // Copies `length` bytes from `distance` bytes back. False (and nothing copied) when the
    // distance is 0 or reaches before the first byte held.
    bool copyMatch(uint64_t distance, uint32_t length) {
        if (distance == 0 || distance > pos_ || distance > mask_ + 1)
            return false;
        uint64_t src = pos_ - distance;
        std::size_t s = src & mask_, d = pos_ & mask_;
        if (length <= distance && s + length <= mask_ + 1 && d + length <= mask_ + 1) {
            // No overlap and no wrap: a plain block move.
            uint8_t* base = data_.get();
            for (uint32_t i = 0; i < length; ++i)
                base[d + i] = base[s + i];
        } else {
            for (uint32_t i = 0; i < length; ++i)
                data_[(pos_ + i) & mask_] = data_[(src + i) & mask_];
        }
        pos_ += length;
        return true;
    }

    uint8_t at(uint64_t absolute) const { return data_[absolute & mask_]; }
    uint8_t& at(uint64_t absolute) { return data_[absolute & mask_]; }

    // Copies [from, from + size) out of the window; the range must still be held.
    void read(uint64_t from, std::size_t size, uint8_t* out) const;
    // Hands [from, to) to the sink in at most two pieces.
    void emit(uint64_t from, uint64_t to, const OutputSink& sink) const;

private:
    std::unique_ptr<uint8_t[]> data_;
    uint64_t mask_ = 0;
    uint64_t pos_ = 0;
};

} // namespace myrar::unpack
