#pragma once
// The one entry point to the decompressors: given an entry's unpack version, dictionary size,
// packed bytes and unpacked size, it yields the unpacked bytes or an error value. A SolidState
// carries a solid stream from one entry to the next; give each archive its own.

#include "decoder.h"

#include <memory>
#include <vector>

namespace myrar::unpack {

// The algorithm families; entries of one family share a solid stream.
enum class Family { None, V15, V20, V29, V50 };

// Family::None for a version no decompressor here handles.
Family familyOf(int version);

class SolidState {
public:
    SolidState();
    ~SolidState();
    SolidState(const SolidState&) = delete;
    SolidState& operator=(const SolidState&) = delete;

private:
    friend UnpackStatus unpack(const UnpackInput&, SolidState&, const OutputSink&);
    Family family_ = Family::None;
    std::unique_ptr<Decoder> decoder_;
    // The last entry failed: a solid one cannot continue, a fresh one reuses the decoder.
    bool broken_ = false;
};

// Streams the unpacked bytes to `sink`. A non-solid entry starts a fresh stream; a solid one
// continues the state's stream (Damaged when the state holds none of the same family).
UnpackStatus unpack(const UnpackInput& input, SolidState& state, const OutputSink& sink);

// Collects the unpacked bytes; refuses (NoMemory) an unpacked size above `maxSize`.
UnpackStatus unpackToBuffer(const UnpackInput& input, SolidState& state, std::vector<uint8_t>& out,
                            uint64_t maxSize = uint64_t(1) << 30);

// Short text for an UnpackStatus, for diagnostics in tests and tools.
const char* statusName(UnpackStatus status);

} // namespace myrar::unpack
