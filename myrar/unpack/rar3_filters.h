#pragma once
// The standard filters of RAR 3.x. The format ships each filter as a small program for a
// virtual machine; every archiver in practice sends one of six fixed programs, which are
// recognised here by length and CRC32 and run as native code. Any other program is refused.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace myrar::unpack {

enum class Rar3FilterKind { Unknown, E8, E8E9, Itanium, Delta, Rgb, Audio };

// The largest block a filter works on (the machine's memory); delta, colour and audio
// filters use the upper half for their output, so they take at most half of it.
constexpr uint32_t kRar3FilterMemory = 0x40000;
constexpr uint32_t kRar3FilterRegisters = 7;

Rar3FilterKind recogniseRar3Filter(const uint8_t* code, std::size_t size);

// The parameters a filter runs with: the registers the stream set (register 4 holds the
// block length) and the block's offset in the unpacked file.
struct Rar3FilterParams {
    uint32_t registers[kRar3FilterRegisters] = {};
    uint32_t fileOffset = 0;
};

// Filters `block` in place (using `scratch` as needed). Parameters a filter cannot take
// leave an in-place filter's block as it is and give zeros from the others, as the
// format's machine would.
void applyRar3Filter(Rar3FilterKind kind, const Rar3FilterParams& params,
                     std::vector<uint8_t>& block, std::vector<uint8_t>& scratch);

} // namespace myrar::unpack
