#include "rar5_filters.h"

namespace myrar::unpack {

namespace {

// x86 call targets are stored modulo this size.
constexpr uint32_t kE8FileSize = 0x1000000;
constexpr uint8_t kCallOpcode = 0xE8;
constexpr uint8_t kJumpOpcode = 0xE9;
constexpr uint8_t kArmBlOpcode = 0xEB; // top byte of a little-endian ARM BL instruction

uint32_t get32(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

void put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

} // namespace

void rar5DeltaDecode(const uint8_t* in, uint8_t* out, std::size_t size, uint32_t channels) {
    // The packed range holds each channel's differences one channel after the other.
    std::size_t src = 0;
    for (uint32_t c = 0; c < channels; ++c) {
        uint8_t prev = 0;
        for (std::size_t i = c; i < size; i += channels) {
            prev = static_cast<uint8_t>(prev - in[src++]);
            out[i] = prev;
        }
    }
}

void rar5E8Decode(uint8_t* data, std::size_t size, uint64_t fileOffset, bool alsoE9) {
    if (size < 5)
        return;
    for (std::size_t i = 0; i + 4 < size;) {
        uint8_t op = data[i++];
        if (op != kCallOpcode && !(alsoE9 && op == kJumpOpcode))
            continue;
        uint32_t offset = static_cast<uint32_t>((fileOffset + i) % kE8FileSize);
        uint32_t addr = get32(data + i);
        if (addr & 0x80000000u) {
            // A negative target that lands inside the file once the offset is added back.
            if (((addr + offset) & 0x80000000u) == 0)
                put32(data + i, addr + kE8FileSize);
        } else if (addr < kE8FileSize) {
            put32(data + i, addr - offset);
        }
        i += 4;
    }
}

void rar5ArmDecode(uint8_t* data, std::size_t size, uint64_t fileOffset) {
    for (std::size_t i = 0; i + 3 < size; i += 4) {
        if (data[i + 3] != kArmBlOpcode)
            continue;
        uint32_t target =
            uint32_t(data[i]) | (uint32_t(data[i + 1]) << 8) | (uint32_t(data[i + 2]) << 16);
        target -= static_cast<uint32_t>((fileOffset + i) / 4);
        data[i] = uint8_t(target);
        data[i + 1] = uint8_t(target >> 8);
        data[i + 2] = uint8_t(target >> 16);
    }
}

} // namespace myrar::unpack
