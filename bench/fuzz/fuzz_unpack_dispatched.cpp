// Feeds arbitrary bytes to one decompressor through the dispatcher, as two entries of one
// stream. Built once per unpack version (FUZZ_UNPACK_VERSION: 15, 20 or 50). Input: a control
// byte (bit 0: the second entry continues the first as a solid stream; bits 1-7: where the
// data splits), three bytes of unpacked size, then packed data.
#include "unpack/unpack.h"

#include <cstddef>
#include <cstdint>

#ifndef FUZZ_UNPACK_VERSION
#error "FUZZ_UNPACK_VERSION names the unpack version to fuzz"
#endif

namespace {
constexpr unsigned kVersion = FUZZ_UNPACK_VERSION;
constexpr uint64_t kMaxUnpacked = 1u << 18;
constexpr uint64_t kDictionary = 1u << 18;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4)
        return 0;
    const uint8_t control = data[0];
    uint64_t unpacked = (uint64_t(data[1]) << 16 | uint64_t(data[2]) << 8 | data[3]) % kMaxUnpacked;
    data += 4;
    size -= 4;
    std::size_t split = size * (control >> 1) / 128;
    uint64_t total = 0;
    myrar::unpack::OutputSink sink = [&](const uint8_t*, std::size_t n) { total += n; };
    // One state for all runs, as one archive would use it: a fresh entry starts it over.
    static myrar::unpack::SolidState state;
    myrar::unpack::UnpackInput in;
    in.version = kVersion;
    in.dictionarySize = kDictionary;
    in.unpackedSize = unpacked;
    in.packed = data;
    in.packedSize = split;
    myrar::unpack::unpack(in, state, sink);
    in.packed = data + split;
    in.packedSize = size - split;
    in.solid = (control & 1) != 0;
    myrar::unpack::unpack(in, state, sink);
    // Never more output than the two entries ask for.
    if (total > 2 * unpacked)
        __builtin_trap();
    return 0;
}
