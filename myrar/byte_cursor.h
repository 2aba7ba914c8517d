#pragma once
// Bounded little-endian reads from one header's bytes. A read past the end sets the
// failed flag and yields zero, so a parser can read a run of fields and check once.

#include <cstddef>
#include <cstdint>
#include <string>

namespace myrar {

class ByteCursor {
public:
    ByteCursor(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return failed_ ? 0 : size_ - pos_; }
    bool failed() const { return failed_; }

    std::uint64_t uint(std::size_t bytes) {
        if (!take(bytes))
            return 0;
        std::uint64_t v = 0;
        for (std::size_t i = 0; i < bytes; ++i)
            v |= static_cast<std::uint64_t>(data_[pos_ - bytes + i]) << (8 * i);
        return v;
    }
    std::uint8_t u8() { return static_cast<std::uint8_t>(uint(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(uint(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(uint(4)); }
    std::uint64_t u64() { return uint(8); }

    // RAR5 variable-length integer: 7 bits a byte, low bits first, at most 10 bytes.
    std::uint64_t vint() {
        std::uint64_t v = 0;
        for (int shift = 0; shift < 70; shift += 7) {
            if (!take(1))
                return 0;
            std::uint8_t b = data_[pos_ - 1];
            if (shift == 63 && (b & 0x7E) != 0)
                return fail();
            v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
            if ((b & 0x80) == 0)
                return v;
        }
        return fail();
    }

    const std::uint8_t* bytes(std::size_t n) {
        if (!take(n))
            return nullptr;
        return data_ + pos_ - n;
    }
    std::string text(std::size_t n) {
        const std::uint8_t* p = bytes(n);
        return p ? std::string(reinterpret_cast<const char*>(p), n) : std::string();
    }
    bool skip(std::size_t n) { return take(n); }

private:
    bool take(std::size_t n) {
        if (failed_ || n > size_ - pos_) {
            failed_ = true;
            return false;
        }
        pos_ += n;
        return true;
    }
    std::uint64_t fail() {
        failed_ = true;
        return 0;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

} // namespace myrar
