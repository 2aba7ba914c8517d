#include "crc32.h"

#include <array>

namespace myrar::unpack {

namespace {

constexpr uint32_t kPolynomial = 0xEDB88320;

// Eight tables so that the loop takes 8 bytes a step.
struct Tables {
    std::array<std::array<uint32_t, 256>, 8> t{};
    Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

const Tables& tables() {
    static const Tables instance;
    return instance;
}

} // namespace

void Crc32::update(const uint8_t* p, std::size_t size) {
    const auto& t = tables().t;
    uint32_t c = state_;
    while (size >= 8) {
        uint32_t lo = c ^ (uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                           (uint32_t(p[3]) << 24));
        c = t[7][lo & 0xFF] ^ t[6][(lo >> 8) & 0xFF] ^ t[5][(lo >> 16) & 0xFF] ^ t[4][lo >> 24] ^
            t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^ t[0][p[7]];
        p += 8;
        size -= 8;
    }
    while (size--)
        c = (c >> 8) ^ t[0][(c ^ *p++) & 0xFF];
    state_ = c;
}

} // namespace myrar::unpack
