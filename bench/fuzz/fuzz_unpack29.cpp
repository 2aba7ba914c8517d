// Feeds arbitrary bytes to the RAR 2.9/3.x decompressor as one or two entries of a stream.
// Input: a control byte (bit 0: the second entry continues the first as a solid stream;
// bits 1-7: where the data splits), three bytes of unpacked size, then the packed data.
#include "unpack/unpack29.h"

#include <cstddef>
#include <cstdint>

namespace {
constexpr uint64_t kMaxUnpacked = 1u << 18;
}

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
    static myrar::unpack::Unpack29 unpacker;
    myrar::unpack::UnpackInput in;
    in.version = 29;
    in.unpackedSize = unpacked;
    in.packed = data;
    in.packedSize = split;
    unpacker.unpack(in, sink);
    in.packed = data + split;
    in.packedSize = size - split;
    in.solid = (control & 1) != 0;
    unpacker.unpack(in, sink);
    if (total > 2 * unpacked)
        __builtin_trap();
    return 0;
}
