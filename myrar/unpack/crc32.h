#pragma once
// CRC32 (the IEEE polynomial, reflected) as RAR headers store it for unpacked data.

#include <cstddef>
#include <cstdint>

namespace myrar::unpack {

class Crc32 {
public:
    void update(const uint8_t* data, std::size_t size);
    uint32_t value() const { return ~state_; }

private:
    uint32_t state_ = 0xFFFFFFFF;
};

inline uint32_t crc32(const uint8_t* data, std::size_t size) {
    Crc32 c;
    c.update(data, size);
    return c.value();
}

} // namespace myrar::unpack
