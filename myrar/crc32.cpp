#include "crc32.h"

#include <array>

namespace myrar {

namespace {

constexpr std::uint32_t kPolynomial = 0xEDB88320u;

std::array<std::uint32_t, 256> makeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) ? (c >> 1) ^ kPolynomial : c >> 1;
        table[i] = c;
    }
    return table;
}

const std::array<std::uint32_t, 256> kTable = makeTable();

} // namespace

std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    crc = ~crc;
    for (std::size_t i = 0; i < n; ++i)
        crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

} // namespace myrar
