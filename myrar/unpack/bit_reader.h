#pragma once
// Reads a packed stream bit by bit, most significant bit of each byte first, as every RAR
// compression format stores its codes. Reading past the end never touches memory beyond the
// buffer: missing bits read as zero and overrun() tells the decoder that the data ran out.

#include <cstddef>
#include <cstdint>

namespace myrar::unpack {

class BitReader {
public:
    BitReader() = default;
    BitReader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next 32 bits without consuming them, the first bit in the top position.
    uint32_t peek32() const {
        std::size_t byte = pos_ >> 3;
        uint64_t v = 0;
        if (byte + 5 <= size_) {
            const uint8_t* p = data_ + byte;
            v = (uint64_t(p[0]) << 32) | (uint64_t(p[1]) << 24) | (uint64_t(p[2]) << 16) |
                (uint64_t(p[3]) << 8) | p[4];
        } else {
            for (std::size_t i = 0; i < 5; ++i)
                v = (v << 8) | (byte + i < size_ ? data_[byte + i] : 0);
        }
        return static_cast<uint32_t>(v >> (8 - (pos_ & 7)));
    }
    uint32_t peek16() const { return peek32() >> 16; }

    void skip(unsigned n) { pos_ += n; }

    // Consumes n bits (0 to 32) and returns them as a number.
    uint32_t read(unsigned n) {
        if (n == 0)
            return 0;
        uint32_t v = peek32() >> (32 - n);
        pos_ += n;
        return v;
    }
    bool readBit() { return read(1) != 0; }

    void alignToByte() { pos_ = (pos_ + 7) & ~std::size_t(7); }
    std::size_t bitPosition() const { return pos_; }
    void setBitPosition(std::size_t p) { pos_ = p; }
    std::size_t bytePosition() const { return pos_ >> 3; }
    std::size_t bitSize() const { return size_ * 8; }
    const uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

    // True once more bits were consumed than the buffer holds (plus `slackBits` allowed).
    bool overrun(std::size_t slackBits = 0) const { return pos_ > size_ * 8 + slackBits; }

private:
    const uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t pos_ = 0;
};

} // namespace myrar::unpack
