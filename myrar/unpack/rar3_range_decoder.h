#pragma once
// The carry-less range decoder of the RAR 3.x text model. It pulls bytes from the LZ
// stream's own input, so the two coders can hand the stream back and forth.

#include <cstdint>

namespace myrar::unpack {

// Where the range decoder gets its bytes. Past the end of the data it must give zeros
// (and note the overrun itself); the decoder never stops on its own.
class ByteInput {
public:
    virtual ~ByteInput() = default;
    virtual uint32_t nextByte() = 0;
};

class Rar3RangeDecoder {
public:
    static constexpr uint32_t kTop = 1u << 24;
    static constexpr uint32_t kBottom = 1u << 15;

    void start(ByteInput& input) {
        input_ = &input;
        low_ = 0;
        code_ = 0;
        range_ = 0xFFFFFFFFu;
        for (int i = 0; i < 4; ++i)
            code_ = (code_ << 8) | input_->nextByte();
    }

    // Narrows the range to 1/scale and tells where the code lies in it.
    uint32_t currentCount(uint32_t scale) {
        range_ /= scale;
        return (code_ - low_) / range_;
    }

    uint32_t currentShiftCount(unsigned shift) {
        range_ >>= shift;
        return (code_ - low_) / range_;
    }

    // Takes the symbol whose share of the narrowed range is [lowCount, highCount).
    void consume(uint32_t lowCount, uint32_t highCount) {
        low_ += range_ * lowCount;
        range_ *= highCount - lowCount;
    }

    void normalize() {
        for (;;) {
            if ((low_ ^ (low_ + range_)) >= kTop) {
                if (range_ >= kBottom)
                    return;
                range_ = (0u - low_) & (kBottom - 1);
            }
            code_ = (code_ << 8) | input_->nextByte();
            range_ <<= 8;
            low_ <<= 8;
        }
    }

    bool started() const { return input_ != nullptr; }

private:
    ByteInput* input_ = nullptr;
    uint32_t low_ = 0;
    uint32_t code_ = 0;
    uint32_t range_ = 0;
};

} // namespace myrar::unpack
