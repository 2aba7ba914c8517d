#pragma once
// The transforms a RAR 5.0 stream applies to ranges of its output before handing them on:
// byte deltas over interleaved channels, and x86 / ARM branch targets turned back from
// absolute into relative addresses.

#include <cstddef>
#include <cstdint>

namespace myrar::unpack {

enum class Rar5FilterType : uint8_t { Delta = 0, E8 = 1, E8E9 = 2, Arm = 3 };

// Largest range one filter may cover.
constexpr uint32_t kRar5MaxFilterLength = 0x400000;

// `in` and `out` are `size` bytes and do not overlap. `channels` is 1 to 32.
void rar5DeltaDecode(const uint8_t* in, uint8_t* out, std::size_t size, uint32_t channels);

// In place. `fileOffset` is the range's position in the entry's unpacked data.
void rar5E8Decode(uint8_t* data, std::size_t size, uint64_t fileOffset, bool alsoE9);
void rar5ArmDecode(uint8_t* data, std::size_t size, uint64_t fileOffset);

} // namespace myrar::unpack
