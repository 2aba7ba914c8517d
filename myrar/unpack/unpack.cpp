#include "unpack.h"

#include "unpack15.h"
#include "unpack20.h"
#include "unpack29.h"
#include "unpack50.h"

#include <algorithm>

namespace myrar::unpack {

Family familyOf(int version) {
    switch (version) {
    case 15:
        return Family::V15;
    case 20:
    case 26:
        return Family::V20;
    case 29:
    case 36:
        return Family::V29;
    case 50:
    case 70:
        return Family::V50;
    default:
        return Family::None;
    }
}

SolidState::SolidState() = default;
SolidState::~SolidState() = default;

static std::unique_ptr<Decoder> makeDecoder(Family family) {
    switch (family) {
    case Family::V15:
        return std::make_unique<Unpack15>();
    case Family::V20:
        return std::make_unique<Unpack20>();
    case Family::V50:
        return std::make_unique<Unpack50>();
    case Family::V29:
        return std::make_unique<Unpack29>();
    case Family::None:
        break;
    }
    return nullptr;
}

UnpackStatus unpack(const UnpackInput& input, SolidState& state, const OutputSink& sink) {
    Family family = familyOf(input.version);
    if (input.solid) {
        if (!state.decoder_ || state.family_ != family || state.broken_)
            return UnpackStatus::Damaged;
    } else if (!state.decoder_ || state.family_ != family) {
        state.decoder_ = makeDecoder(family);
        state.family_ = state.decoder_ ? family : Family::None;
        if (!state.decoder_)
            return UnpackStatus::Unsupported;
    }
    UnpackStatus status = state.decoder_->unpack(input, sink);
    // A broken stream cannot be continued by the next solid entry; the decoder and its window
    // are kept for the next fresh one, which starts them over.
    state.broken_ = status != UnpackStatus::Ok;
    return status;
}

UnpackStatus unpackToBuffer(const UnpackInput& input, SolidState& state, std::vector<uint8_t>& out,
                            uint64_t maxSize) {
    out.clear();
    if (input.unpackedSize > maxSize)
        return UnpackStatus::NoMemory;
    // The header's size may be hostile: reserve only a bounded part up front.
    out.reserve(static_cast<std::size_t>(std::min<uint64_t>(input.unpackedSize, 64u << 20)));
    return unpack(input, state, [&out](const uint8_t* data, std::size_t size) {
        out.insert(out.end(), data, data + size);
    });
}

const char* statusName(UnpackStatus status) {
    switch (status) {
    case UnpackStatus::Ok:
        return "ok";
    case UnpackStatus::Damaged:
        return "damaged";
    case UnpackStatus::Truncated:
        return "truncated";
    case UnpackStatus::Unsupported:
        return "unsupported";
    case UnpackStatus::NoMemory:
        return "no memory";
    }
    return "?";
}

} // namespace myrar::unpack
