#pragma once
// What every decompressor offers the dispatcher. One object lives as long as a solid stream:
// it keeps the window and the tables that the next entry of the stream continues from.

#include "lz_window.h"

#include <cstddef>
#include <cstdint>

namespace myrar::unpack {

enum class UnpackStatus {
    Ok,
    Damaged,     // the data does not decode, or decodes to the wrong length
    Truncated,   // the packed data ends before the unpacked size is reached
    Unsupported, // an unpack version (or filter) this build does not know
    NoMemory,    // the dictionary exceeds LzWindow::kMaxSize or cannot be allocated
};

struct UnpackInput {
    int version = 0; // unpack version from the entry's header: 15, 20, 26, 29, 36, 50, 70
    uint64_t dictionarySize = 0; // bytes, as the header gives it
    const uint8_t* packed = nullptr;
    std::size_t packedSize = 0;
    uint64_t unpackedSize = 0; // the entry's size from its header
    bool solid = false;        // continues the stream of the entry unpacked before
};

class Decoder {
public:
    virtual ~Decoder() = default;
    // Unpacks one entry, handing exactly input.unpackedSize bytes to `sink` on success.
    virtual UnpackStatus unpack(const UnpackInput& input, const OutputSink& sink) = 0;
};

} // namespace myrar::unpack
